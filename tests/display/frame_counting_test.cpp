// Suspensions are counted even while no frame thread runs, and then nothing
// waits for an acknowledgement that cannot come.
#include <gtest/gtest.h>

#include <chrono>

#include "display/frame_thread.h"

namespace {

TEST(FrameThreadStopped, CountsSuspensionsWithoutWaiting) {
    CFrameThread frames;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(frames.Suspend(true), 1);
    EXPECT_EQ(frames.Suspend(true), 2);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_FALSE(frames.WaitFrame());
    EXPECT_EQ(frames.Resume(), 1);
    EXPECT_EQ(frames.Resume(), 0);
    EXPECT_EQ(frames.Resume(), 0);
    EXPECT_FALSE(frames.WaitFrame());
    frames.Stop();  // nothing to stop
    EXPECT_FALSE(frames.IsRunning());
}

}  // namespace
