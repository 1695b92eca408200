// The exit codes and the single-instance guard of the real program.
#include "app/application.h"
#include "tests/app/lock_folder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace {

const char kProgram[] = NIVRA_BINARY_DIR "/nivra";

// One started build/nivra, headless, its standard error in a file.
class Instance {
public:
    Instance(const std::string& folder, const std::string& name)
        : stderr_path_(folder + "/" + name + ".err") {
        pid_ = fork();
        if (pid_ == 0) {
            int fd = open(stderr_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(fd, 2);
            int null_fd = open("/dev/null", O_RDWR);
            dup2(null_fd, 0);
            dup2(null_fd, 1);
            setenv("NIVRA_VIDEO", "headless", 1);
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            setenv("NIVRA_MIDI_LOG", "/dev/null", 1);
            unsetenv("NIVRA_INPUT");
            chdir(NIVRA_SOURCE_DIR "/demo");
            execl(kProgram, kProgram, static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~Instance() {
        if (pid_ > 0 && !reaped_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    // Exit status once it ends within `seconds`; -1000 when it does not.
    int WaitForExit(int seconds) {
        for (int i = 0; i < seconds * 100; ++i) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                reaped_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return -1000;
    }
    bool Running() {
        int status = 0;
        if (reaped_)
            return false;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            reaped_ = true;
            return false;
        }
        return true;
    }
    void Signal(int signal) { kill(pid_, signal); }
    std::string Stderr() const {
        std::ifstream in(stderr_path_);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    std::string stderr_path_;
    pid_t pid_ = -1;
    bool reaped_ = false;
};

// Waits until some process holds the single-instance name.
bool WaitForInstance(int seconds) {
    for (int i = 0; i < seconds * 100; ++i) {
        if (HANDLE held = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, CApplication::kInstanceMutexName)) {
            CloseHandle(held);
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

class ProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (access(kProgram, X_OK) != 0)
            GTEST_SKIP() << kProgram << " is not built";
    }
    PrivateLockFolder lock_folder;
};

TEST_F(ProcessTest, SecondInstanceIsRefusedAndTheFirstRunsOn) {
    Instance first(lock_folder.Path(), "first");
    ASSERT_TRUE(WaitForInstance(20)) << first.Stderr();

    Instance second(lock_folder.Path(), "second");
    EXPECT_EQ(second.WaitForExit(20), 255);
    EXPECT_NE(
        second.Stderr().find("NIVRA エラー\nNIVRAは既に常駐しています 多重起動はできません\n"),
        std::string::npos)
        << second.Stderr();

    EXPECT_TRUE(first.Running());
    first.Signal(SIGTERM);
    EXPECT_EQ(first.WaitForExit(20), 0) << first.Stderr();
}

TEST_F(ProcessTest, KilledInstanceFreesTheNameAndCtrlCEndsNormally) {
    {
        Instance killed(lock_folder.Path(), "killed");
        ASSERT_TRUE(WaitForInstance(20)) << killed.Stderr();
        killed.Signal(SIGKILL);
        EXPECT_EQ(killed.WaitForExit(20), -SIGKILL);
    }
    EXPECT_EQ(OpenMutexA(MUTEX_ALL_ACCESS, FALSE, CApplication::kInstanceMutexName), nullptr);

    Instance next(lock_folder.Path(), "next");
    ASSERT_TRUE(WaitForInstance(20)) << next.Stderr();
    next.Signal(SIGINT);
    EXPECT_EQ(next.WaitForExit(20), 0) << next.Stderr();
}

}  // namespace
