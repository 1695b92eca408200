// A session bus of the test's own (dbus-daemon on a socket in a scratch
// folder), and busctl and dbus-monitor pointed at it.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/nivra_process.h"
#include "tests/support/scratch_folder.h"

namespace mpris_e2e {

// Polls `done` until it holds or `seconds` pass.
inline bool WaitUntil(const std::function<bool()>& done, int seconds = 20) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return done();
}

// A program started in the background with its output in a file; killed
// when the object goes.
class Background {
public:
    Background(const std::vector<std::string>& argv, const std::filesystem::path& output) {
        pid_ = fork();
        if (pid_ != 0)
            return;
        std::FILE* out = std::fopen(output.c_str(), "w");
        if (out != nullptr) {
            dup2(fileno(out), 1);
            dup2(fileno(out), 2);
        }
        std::vector<char*> args;
        for (const std::string& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    ~Background() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    Background(const Background&) = delete;
    Background& operator=(const Background&) = delete;

private:
    pid_t pid_ = -1;
};

class PrivateBus {
public:
    PrivateBus()
        : address_("unix:path=" + (scratch_ / "bus").string()),
          daemon_({"dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=" + address_},
                  scratch_ / "daemon.txt") {
        ready_ = WaitUntil([this] { return Busctl("status").first == 0; });
    }

    bool Ready() const { return ready_; }
    const std::string& Address() const { return address_; }

    // Runs busctl on this bus; its exit code and what it printed (both streams).
    std::pair<int, std::string> Busctl(const std::string& arguments) const {
        const std::string command =
            "DBUS_SESSION_BUS_ADDRESS='" + address_ + "' busctl --user -- " + arguments + " 2>&1";
        std::FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr)
            return {-1, ""};
        std::string output;
        char buffer[512];
        while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
            output.append(buffer, n);
        const int status = pclose(pipe);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
    }

    // Watches every signal on the bus into a file from now on.
    std::unique_ptr<Background> Monitor(const std::filesystem::path& output) const {
        auto monitor = std::make_unique<Background>(
            std::vector<std::string>{"dbus-monitor", "--address", address_, "type='signal'"},
            output);
        // It tells of its own name first, once it is listening.
        WaitUntil([&] { return !e2e::ReadWholeFile(output).empty(); });
        return monitor;
    }

private:
    support::ScratchFolder scratch_{"nivra-bus"};
    std::string address_;
    Background daemon_;
    bool ready_ = false;
};

}  // namespace mpris_e2e
