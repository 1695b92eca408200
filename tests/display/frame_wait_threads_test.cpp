// Waiting for a frame keeps the message pump running, so the display goes
// on presenting (and scripted input goes on) while a fade waits.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "display/frame_thread.h"
#include "platform/message.h"

namespace {

using namespace std::chrono_literals;

std::atomic<int> pump_runs{0};

void CountPumpRun() {
    pump_runs.fetch_add(1);
}

// A clock that stands still until released: after its first frame the
// frame thread waits for a millisecond that does not come. Once released,
// every pause moves it on, so frames follow each other quickly.
class HeldClock : public CFrameClock {
public:
    DWORD Now() override { return now_ms.load(); }
    void SleepMs(DWORD ms) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        if (released.load())
            now_ms.fetch_add(ms);
    }
    void Relax() override {
        std::this_thread::sleep_for(100us);
        if (released.load())
            now_ms.fetch_add(1);
    }
    void Release() { released.store(true); }

    std::atomic<DWORD> now_ms{1000};
    std::atomic<bool> released{false};
};

TEST(FrameWait, PumpsMessagesUntilTheFrameComesOrTimeIsUp) {
    HeldClock clock;
    CFrameThread frames(clock);
    platform::SetMessagePump(CountPumpRun);
    ASSERT_TRUE(frames.Start());
    // Let the one frame the clock allows go by.
    std::this_thread::sleep_for(50ms);

    pump_runs.store(0);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(frames.WaitFrame());
    const auto waited = std::chrono::steady_clock::now() - started;
    EXPECT_GE(waited, 95ms);
    EXPECT_LT(waited, 1s);
    // The pump ran all through the wait, not once at its end.
    EXPECT_GE(pump_runs.load(), 20);

    clock.Release();
    EXPECT_TRUE(frames.WaitFrame());
    platform::SetMessagePump(nullptr);
    frames.Stop();
    platform::ClearMessageQueue();
}

}  // namespace
