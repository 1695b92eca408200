// A session bus of the test's own (dbus-daemon on a socket in a scratch
// folder), with busctl and dbus-monitor pointed at it.
#pragma once

#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/nivra_process.h"

namespace mpris_e2e {

// Polls `done` until it holds or `seconds` pass.
inline bool WaitUntil(const std::function<bool()>& done, int seconds = 20) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// A shell command's exit code and what it printed.
inline std::pair<int, std::string> Shell(const std::string& command) {
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return {-1, ""};
    std::string output;
    char buffer[512];
    while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

class PrivateBus {
public:
    PrivateBus() {
        Background("dbus-daemon --session --nofork --nopidfile --address=" + address_,
                   scratch_ / "daemon.txt");
        ready_ = WaitUntil([this] { return Busctl("status").first == 0; });
    }
    // The monitor goes first, then the bus.
    ~PrivateBus() {
        for (auto pid = pids_.rbegin(); pid != pids_.rend(); ++pid)
            kill(*pid, SIGTERM);
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool Ready() const { return ready_; }
    const std::string& Address() const { return address_; }

    // busctl on this bus ("--" first, so negative numbers are no options).
    std::pair<int, std::string> Busctl(const std::string& arguments) const {
        return Shell("DBUS_SESSION_BUS_ADDRESS='" + address_ + "' busctl --user -- " + arguments +
                     " 2>&1");
    }

    // Writes every signal on the bus from now on into a file; its path.
    std::filesystem::path Monitor() {
        const std::filesystem::path file = scratch_ / "signals.txt";
        Background("dbus-monitor --address '" + address_ + "' type=signal", file);
        // It tells of its own name first, once it listens.
        WaitUntil([&] { return !e2e::ReadWholeFile(file).empty(); });
        return file;
    }

private:
    void Background(const std::string& command, const std::filesystem::path& output) {
        const auto started =
            Shell(command + " </dev/null >'" + output.string() + "' 2>&1 & echo $!");
        // Never 0, which would signal the test's own process group.
        if (const pid_t pid = std::atoi(started.second.c_str()); pid > 0)
            pids_.push_back(pid);
    }

    support::ScratchFolder scratch_{"nivra-bus"};
    std::string address_ = "unix:path=" + (scratch_ / "bus").string();
    std::vector<pid_t> pids_;
    bool ready_ = false;
};

}  // namespace mpris_e2e
