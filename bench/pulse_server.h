// A private PulseAudio server for the benchmarks that play through a desktop
// sound server: `pulseaudio -n` with a null sink named "bench" and the native
// protocol, in a scratch XDG_RUNTIME_DIR of its own, so no user's server is
// touched and nothing is heard. Needs pulseaudio (scripts/bootstrap installs
// it). The server runs at real-time priority where that is granted, so a
// busy machine disturbs it less than the players measured beside it.
#pragma once

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bench/child_process.h"
#include "tests/support/scratch_folder.h"

namespace bench {

class PulseServer {
public:
    // Starts the server with a null sink at `rate` frames a second; Ready()
    // says whether it came up within five seconds.
    PulseServer(const support::ScratchFolder& scratch, int rate)
        : home_(scratch.Path().string()),
          runtime_((scratch / "pulse-runtime").string()),
          urgent_(std::system("chrt -f 20 true >/dev/null 2>&1") == 0
                      ? std::vector<std::string>{"chrt", "-f", "20"}
                      : std::vector<std::string>{}) {
        mkdir(runtime_.c_str(), 0700);
        server_.emplace(
            Urgent({"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disable-shm",
                    "--load=module-null-sink sink_name=bench rate=" + std::to_string(rate),
                    "--load=module-native-protocol-unix"}),
            Environment(), std::string{}, (scratch / "pulse.err").string());
        for (int wait = 0; wait < 500 && !Ready(); ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ~PulseServer() { server_->Stop(SIGTERM, 5); }
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    bool Ready() const {
        struct stat info {};
        return stat((runtime_ + "/pulse/native").c_str(), &info) == 0;
    }
    // What a client needs in its environment to play into the null sink.
    std::map<std::string, std::string> Environment() const {
        return {{"XDG_RUNTIME_DIR", runtime_},
                {"PULSE_SERVER", "unix:" + runtime_ + "/pulse/native"},
                {"PULSE_SINK", "bench"},
                {"HOME", home_}};
    }
    // `command` run at the server's priority (through chrt when granted).
    std::vector<std::string> Urgent(std::vector<std::string> command) const {
        command.insert(command.begin(), urgent_.begin(), urgent_.end());
        return command;
    }

private:
    std::string home_;
    std::string runtime_;
    std::vector<std::string> urgent_;
    std::optional<ChildProcess> server_;
};

}  // namespace bench
