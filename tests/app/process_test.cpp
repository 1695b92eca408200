// The exit codes and the single-instance guard of the real program.
#include "app/application.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "tests/support/nivra_process.h"

namespace {

constexpr int kWaitSeconds = 20;

// One started nivra, headless, sharing the test's lock folder so that the
// single-instance name is seen by both instances and by the test itself.
std::unique_ptr<e2e::NivraProcess> StartInstance(const support::PrivateRuntimeFolder& lock_folder) {
    e2e::RunOptions options;
    options.extra_environment["XDG_RUNTIME_DIR"] = lock_folder.Path();
    options.timeout_seconds = kWaitSeconds;
    return std::make_unique<e2e::NivraProcess>(options);
}

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
        if (access(e2e::ProgramPath(), X_OK) != 0)
            GTEST_SKIP() << e2e::ProgramPath() << " is not built";
    }
    support::PrivateRuntimeFolder lock_folder;
};

TEST_F(ProcessTest, SecondInstanceIsRefusedAndTheFirstRunsOn) {
    auto first = StartInstance(lock_folder);
    ASSERT_TRUE(WaitForInstance(kWaitSeconds)) << first->Stderr();

    auto second = StartInstance(lock_folder);
    EXPECT_EQ(second->WaitForExit(), 255);
    EXPECT_NE(
        second->Stderr().find("NIVRA エラー\nNIVRAは既に常駐しています 多重起動はできません\n"),
        std::string::npos)
        << second->Stderr();

    EXPECT_TRUE(first->Running());
    first->Signal(SIGTERM);
    EXPECT_EQ(first->WaitForExit(), 0) << first->Stderr();
}

TEST_F(ProcessTest, KilledInstanceFreesTheNameAndCtrlCEndsNormally) {
    {
        auto killed = StartInstance(lock_folder);
        ASSERT_TRUE(WaitForInstance(kWaitSeconds)) << killed->Stderr();
        killed->Signal(SIGKILL);
        EXPECT_EQ(killed->WaitForExit(), -SIGKILL);
    }
    EXPECT_EQ(OpenMutexA(MUTEX_ALL_ACCESS, FALSE, CApplication::kInstanceMutexName), nullptr);

    auto next = StartInstance(lock_folder);
    ASSERT_TRUE(WaitForInstance(kWaitSeconds)) << next->Stderr();
    next->Signal(SIGINT);
    EXPECT_EQ(next->WaitForExit(), 0) << next->Stderr();
}

}  // namespace
