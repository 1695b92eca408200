// Runs the real build/nivra headless for end-to-end tests: a private lock
// folder, the dummy audio driver, the small SoundFont bootstrap installs, a
// MIDI log and a scripted key file, each in a scratch folder that is removed
// afterwards. A script may wait for a MIDI-log line before its next keys.
#pragma once

#include <fcntl.h>
#include <linux/capability.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/midi_log.h"
#include "tests/support/scratch_folder.h"

namespace e2e {

inline const char* ProgramPath() {
    return NIVRA_BINARY_DIR "/nivra";
}

inline std::string ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

using support::ScratchFolder;

// The SoundFont every run uses unless the test names another: the small one
// bootstrap installs, whatever larger ones the machine has.
inline constexpr const char* kTestSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

// The MIDI log's line for the start of a song (the GM System On message).
inline constexpr const char* kSongStartLine = "F0 7E 7F 09 01 F7";

// A script line that waits: the lines after it are held back until the MIDI
// log has a line starting with TEXT (written after the line before), then
// run as many ms after that line as they were after the wait.
inline constexpr const char* kAwaitPrefix = "@AWAIT ";

// One scripted key or screenshot: `at_ms` counts from the program's start.
struct ScriptLine {
    int at_ms;
    std::string what;  // "RETURN", "ALT+5", "SHOT /abs/file.png", "@AWAIT F0 7E 7F 09 01 F7"
};

// Options of one run; the working folder is where the program starts browsing.
struct RunOptions {
    std::filesystem::path working_folder = NIVRA_SOURCE_DIR "/demo";
    std::filesystem::path program = ProgramPath();
    std::vector<ScriptLine> script;
    // Command-line arguments after the program's name.
    std::vector<std::string> arguments;
    std::map<std::string, std::string> extra_environment;
    std::vector<std::string> removed_environment;
    int timeout_seconds = 30;
    // The program runs without the superuser's right to read and enter any
    // folder, so file permissions bind it as they bind a user.
    bool bound_by_permissions = false;
};

// True when file permissions can bind a program started from here: always
// for a user; for the superuser only when it may give up its override rights.
inline bool PermissionsCanBindPrograms() {
    return geteuid() != 0 || prctl(PR_CAPBSET_READ, CAP_SETPCAP) == 1;
}

// A finished (or still running) program; its files live in a scratch folder.
class NivraProcess {
public:
    explicit NivraProcess(const RunOptions& options)
        : timeout_seconds_(options.timeout_seconds), log_watch_(MidiLogPath()) {
        scratch_.MakeFolder("runtime");
        scratch_.MakeFolder("config");
        held_ = options.script;
        std::stable_sort(held_.begin(), held_.end(), [](const ScriptLine& a, const ScriptLine& b) {
            return a.at_ms < b.at_ms;
        });
        std::ofstream(scratch_ / "input.txt").close();
        SendUntilAwait(0);
        Start(options);
        if (!held_.empty())
            feeder_ = std::thread([this] { FeedScript(); });
    }
    ~NivraProcess() {
        StopFeeding();
        if (pid_ > 0 && !reaped_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    NivraProcess(const NivraProcess&) = delete;
    NivraProcess& operator=(const NivraProcess&) = delete;

    // Exit code once the program ends within the timeout; -SIGNAL when a
    // signal ended it; -1000 when it was still running (it is then killed).
    int WaitForExit() {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::seconds(timeout_seconds_);
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (reaped_)
                return exit_code_;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                reaped_ = true;
                exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
                return exit_code_;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        StopFeeding();
        if (!held_.empty())
            std::fprintf(stderr, "the MIDI log never had \"%s\" that the script waits for\n",
                         held_.front().what.c_str() + std::strlen(kAwaitPrefix));
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        reaped_ = true;
        exit_code_ = -1000;
        return exit_code_;
    }
    void Signal(int signal) const { kill(pid_, signal); }
    pid_t Pid() const { return pid_; }
    // True while the program runs; once it has ended, its exit code is kept
    // for WaitForExit.
    bool Running() {
        int status = 0;
        if (reaped_)
            return false;
        if (waitpid(pid_, &status, WNOHANG) != pid_)
            return true;
        reaped_ = true;
        exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
        return false;
    }

    // When a line written for `script_ms` was sent to the program: later by as
    // much as the last wait before it held the script back (a line at the
    // very time of a wait counts as before it).
    int SentAtMs(int script_ms) {
        std::lock_guard<std::mutex> guard(shifts_lock_);
        int shift_ms = 0;
        for (const auto& [await_ms, shift] : shifts_)
            if (await_ms < script_ms)
                shift_ms = shift;
        return script_ms + shift_ms;
    }

    std::string Stderr() const { return ReadWholeFile(scratch_ / "stderr.txt"); }
    std::string Stdout() const { return ReadWholeFile(scratch_ / "stdout.txt"); }
    std::filesystem::path MidiLogPath() const { return scratch_ / "midi.log"; }
    // $XDG_CONFIG_HOME of the run.
    std::filesystem::path ConfigHome() const { return scratch_ / "config"; }
    // A place for screenshots that is cleaned up with the run.
    std::filesystem::path ShotPath(const std::string& name) const { return scratch_ / name; }

private:
    // Appends the held lines up to the next wait to the program's key file,
    // `shift_ms` later than written.
    void SendUntilAwait(int shift_ms) {
        std::ofstream script(scratch_ / "input.txt", std::ios::app);
        while (!held_.empty() && !held_.front().what.starts_with(kAwaitPrefix)) {
            sent_until_ms_ = std::max(0, held_.front().at_ms + shift_ms);
            script << sent_until_ms_ << ' ' << held_.front().what << '\n';
            held_.erase(held_.begin());
        }
    }
    // On its own thread while the program runs: sends the lines after each
    // wait once the MIDI log has its line. The program's clock and its log's
    // start within a millisecond of each other; the margin keeps a line
    // written just after the key before.
    void FeedScript() {
        while (!held_.empty() && !stop_feeding_) {
            const std::string wanted = held_.front().what.substr(std::strlen(kAwaitPrefix));
            const std::uint64_t since_us = std::max(0, sent_until_ms_ - 20) * std::uint64_t{1000};
            if (const std::optional<std::uint64_t> seen = log_watch_.Find(wanted, since_us)) {
                const int await_ms = held_.front().at_ms;
                const int shift_ms = static_cast<int>(*seen / 1000) - await_ms;
                held_.erase(held_.begin());
                {
                    std::lock_guard<std::mutex> guard(shifts_lock_);
                    shifts_.emplace_back(await_ms, shift_ms);
                }
                SendUntilAwait(shift_ms);
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        }
    }
    void StopFeeding() {
        stop_feeding_ = true;
        if (feeder_.joinable())
            feeder_.join();
    }

    void Start(const RunOptions& options) {
        const std::string input = (scratch_ / "input.txt").string();
        const std::string out = (scratch_ / "stdout.txt").string();
        const std::string err = (scratch_ / "stderr.txt").string();
        const std::string log = MidiLogPath().string();
        const std::string runtime = (scratch_ / "runtime").string();
        const std::string config = (scratch_ / "config").string();
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(options.program.c_str()));
        for (const std::string& argument : options.arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        // The environment is made before the fork: the child of a process
        // with threads (other runs' script feeders) may only call what is
        // safe there, which setenv is not.
        std::map<std::string, std::string> environment;
        for (char** entry = environ; *entry != nullptr; ++entry) {
            const std::string text = *entry;
            const auto equals = text.find('=');
            if (equals != std::string::npos)
                environment[text.substr(0, equals)] = text.substr(equals + 1);
        }
        environment["NIVRA_VIDEO"] = "headless";
        environment["SDL_AUDIODRIVER"] = "dummy";
        environment["XDG_RUNTIME_DIR"] = runtime;
        // Settings go to the run's own folder, never the user's.
        environment["XDG_CONFIG_HOME"] = config;
        environment.erase("NIVRA_CONFIG");
        environment["NIVRA_SOUNDFONT"] = kTestSoundFont;
        environment["NIVRA_MIDI_LOG"] = log;
        environment["NIVRA_INPUT"] = input;
        for (const auto& [name, value] : options.extra_environment)
            environment[name] = value;
        for (const std::string& name : options.removed_environment)
            environment.erase(name);
        std::vector<std::string> entries;
        for (const auto& [name, value] : environment)
            entries.push_back(name + "=" + value);
        std::vector<char*> envp;
        for (std::string& entry : entries)
            envp.push_back(entry.data());
        envp.push_back(nullptr);
        pid_ = fork();
        if (pid_ != 0)
            return;
        const int null_fd = open("/dev/null", O_RDONLY);
        const int out_fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err_fd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(null_fd, 0);
        dup2(out_fd, 1);
        dup2(err_fd, 2);
        if (options.bound_by_permissions && geteuid() == 0 &&
            (prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE) != 0 ||
             prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH) != 0))
            _exit(125);
        if (chdir(options.working_folder.c_str()) != 0)
            _exit(126);
        execve(options.program.c_str(), argv.data(), envp.data());
        _exit(127);
    }

    ScratchFolder scratch_;
    int timeout_seconds_;
    MidiLogWatch log_watch_;
    std::vector<ScriptLine> held_;  // the script's lines not yet sent
    int sent_until_ms_ = 0;
    std::mutex shifts_lock_;
    std::vector<std::pair<int, int>> shifts_;  // each wait's time and how far it held back
    std::atomic<bool> stop_feeding_{false};
    std::thread feeder_;
    pid_t pid_ = -1;
    bool reaped_ = false;
    int exit_code_ = -1000;
};

}  // namespace e2e
