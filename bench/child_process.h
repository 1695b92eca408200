// Programs the benchmarks start and stop: a child with its own environment
// and output file, stopped by a signal and waited for within a time limit.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace bench {

class ChildProcess {
public:
    // Starts `argv` with `environment` added, standard output to `out_path`
    // and standard error to `err_path` (/dev/null when empty).
    ChildProcess(const std::vector<std::string>& argv,
                 const std::map<std::string, std::string>& environment,
                 const std::string& out_path = {}, const std::string& err_path = {}) {
        std::vector<char*> args;
        for (const std::string& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        pid_ = fork();
        if (pid_ != 0)
            return;
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(out_path.empty() ? "/dev/null" : out_path.c_str(),
                             O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(err_path.empty() ? "/dev/null" : err_path.c_str(),
                             O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        for (const auto& [name, value] : environment)
            setenv(name.c_str(), value.c_str(), 1);
        execvp(args[0], args.data());
        _exit(127);
    }
    ~ChildProcess() { Stop(SIGKILL, 0); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return pid_ > 0; }
    // The child's process id while it has not been waited for, else -1.
    pid_t Pid() const { return pid_; }
    // Processor time (user and system) of the child once it has been waited for.
    double CpuSeconds() const { return cpu_seconds_; }
    // Waits up to `seconds` for the child to end by itself; its exit status,
    // or -1 when it is still running.
    int Wait(double seconds) {
        const auto deadline = std::chrono::steady_clock::now() +
                              std::chrono::milliseconds(static_cast<long>(seconds * 1000));
        while (pid_ > 0) {
            int status = 0;
            rusage usage{};
            if (wait4(pid_, &status, WNOHANG, &usage) == pid_) {
                cpu_seconds_ = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                               (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            if (std::chrono::steady_clock::now() >= deadline)
                return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return -1;
    }
    // Sends `signal` and waits up to `seconds`; kills it when it stays.
    void Stop(int signal = SIGTERM, double seconds = 5) {
        if (pid_ <= 0)
            return;
        kill(pid_, signal);
        if (Wait(seconds) == -1 && pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

private:
    pid_t pid_ = -1;
    double cpu_seconds_ = 0;
};

// Whether `program` is found on PATH.
inline bool OnPath(const std::string& program) {
    const std::string command = "command -v " + program + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

}  // namespace bench
