// Runs the real build/nivra headless for end-to-end tests: a private lock
// folder, the dummy audio driver, a MIDI log and a scripted key file, each in
// a scratch folder that is removed afterwards.
#pragma once

#include <fcntl.h>
#include <linux/capability.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

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

// One scripted key or screenshot: `at_ms` counts from the program's start.
struct ScriptLine {
    int at_ms;
    std::string what;  // "RETURN", "ALT+5", "SHOT /abs/file.png"
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
    explicit NivraProcess(const RunOptions& options) : timeout_seconds_(options.timeout_seconds) {
        scratch_.MakeFolder("runtime");
        scratch_.MakeFolder("config");
        std::ofstream script(scratch_ / "input.txt");
        for (const ScriptLine& line : options.script)
            script << line.at_ms << ' ' << line.what << '\n';
        script.close();
        Start(options);
    }
    ~NivraProcess() {
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

    std::string Stderr() const { return ReadWholeFile(scratch_ / "stderr.txt"); }
    std::string Stdout() const { return ReadWholeFile(scratch_ / "stdout.txt"); }
    std::filesystem::path MidiLogPath() const { return scratch_ / "midi.log"; }
    // $XDG_CONFIG_HOME of the run.
    std::filesystem::path ConfigHome() const { return scratch_ / "config"; }
    // A place for screenshots that is cleaned up with the run.
    std::filesystem::path ShotPath(const std::string& name) const { return scratch_ / name; }

private:
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
        pid_ = fork();
        if (pid_ != 0)
            return;
        const int null_fd = open("/dev/null", O_RDONLY);
        const int out_fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err_fd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(null_fd, 0);
        dup2(out_fd, 1);
        dup2(err_fd, 2);
        setenv("NIVRA_VIDEO", "headless", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        // Settings go to the run's own folder, never the user's.
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        unsetenv("NIVRA_CONFIG");
        setenv("NIVRA_MIDI_LOG", log.c_str(), 1);
        setenv("NIVRA_INPUT", input.c_str(), 1);
        for (const auto& [name, value] : options.extra_environment)
            setenv(name.c_str(), value.c_str(), 1);
        for (const std::string& name : options.removed_environment)
            unsetenv(name.c_str());
        if (options.bound_by_permissions && geteuid() == 0 &&
            (prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE) != 0 ||
             prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH) != 0))
            _exit(125);
        if (chdir(options.working_folder.c_str()) != 0)
            _exit(126);
        execv(options.program.c_str(), argv.data());
        _exit(127);
    }

    ScratchFolder scratch_;
    int timeout_seconds_;
    pid_t pid_ = -1;
    bool reaped_ = false;
    int exit_code_ = -1000;
};

}  // namespace e2e
