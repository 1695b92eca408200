// The time* calls: refusals, one-shot and periodic timers on their own
// threads, a timer killed from inside its callback, and timeGetTime's wrap.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/winmm.h"

using namespace std::chrono_literals;

namespace {

struct Counter {
    std::atomic<int> calls{0};
    std::atomic<UINT> id{0};
    std::atomic<bool> kill_inside{false};
    std::atomic<MMRESULT> kill_result{~0u};
};

void Count(UINT timer_id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    auto* counter = reinterpret_cast<Counter*>(user);
    counter->calls.fetch_add(1);
    if (counter->kill_inside.load())
        counter->kill_result.store(timeKillEvent(timer_id));
}

bool WaitFor(const std::atomic<int>& calls, int at_least) {
    const auto give_up = std::chrono::steady_clock::now() + 10s;
    while (calls.load() < at_least) {
        if (std::chrono::steady_clock::now() > give_up)
            return false;
        std::this_thread::sleep_for(100us);
    }
    return true;
}

}  // namespace

TEST(TimerApi, RefusesWhatItCannotDo) {
    TIMECAPS caps{};
    EXPECT_EQ(timeGetDevCaps(&caps, sizeof caps - 1), TIMERR_NOCANDO);
    EXPECT_EQ(timeGetDevCaps(nullptr, sizeof caps), TIMERR_NOCANDO);
    ASSERT_EQ(timeGetDevCaps(&caps, sizeof caps), TIMERR_NOERROR);
    EXPECT_EQ(caps.wPeriodMin, 1u);
    EXPECT_EQ(timeBeginPeriod(caps.wPeriodMin), TIMERR_NOERROR);
    EXPECT_EQ(timeEndPeriod(caps.wPeriodMin), TIMERR_NOERROR);
    EXPECT_EQ(timeBeginPeriod(0), TIMERR_NOCANDO);
    EXPECT_EQ(timeBeginPeriod(caps.wPeriodMax + 1), TIMERR_NOCANDO);
    Counter counter;
    const auto user = reinterpret_cast<DWORD_PTR>(&counter);
    EXPECT_EQ(timeSetEvent(0, 1, Count, user, TIME_PERIODIC), 0u);
    EXPECT_EQ(timeSetEvent(1, 1, nullptr, user, TIME_PERIODIC), 0u);
    EXPECT_EQ(timeKillEvent(0), MMSYSERR_INVALPARAM);
}

TEST(TimerApi, OneShotFiresOnceAndPeriodicUntilKilled) {
    Counter once;
    const UINT one_shot =
        timeSetEvent(2, 1, Count, reinterpret_cast<DWORD_PTR>(&once), TIME_ONESHOT);
    ASSERT_NE(one_shot, 0u);
    Counter periodic;
    const UINT id =
        timeSetEvent(1, 1, Count, reinterpret_cast<DWORD_PTR>(&periodic), TIME_PERIODIC);
    ASSERT_NE(id, 0u);
    EXPECT_NE(id, one_shot);
    ASSERT_TRUE(WaitFor(periodic.calls, 20));
    EXPECT_EQ(timeKillEvent(id), TIMERR_NOERROR);
    // Killed from another thread: no callback runs after the kill returns.
    const int calls = periodic.calls.load();
    std::this_thread::sleep_for(10ms);
    EXPECT_EQ(periodic.calls.load(), calls);
    EXPECT_EQ(timeKillEvent(id), MMSYSERR_INVALPARAM);
    EXPECT_EQ(once.calls.load(), 1);
    timeKillEvent(one_shot);
}

TEST(TimerApi, TimerKilledFromItsOwnCallbackStopsWithoutWaitingForItself) {
    Counter counter;
    counter.kill_inside.store(true);
    const UINT id = timeSetEvent(1, 1, Count, reinterpret_cast<DWORD_PTR>(&counter), TIME_PERIODIC);
    ASSERT_NE(id, 0u);
    ASSERT_TRUE(WaitFor(counter.calls, 1));
    const auto give_up = std::chrono::steady_clock::now() + 10s;
    while (counter.kill_result.load() == ~0u && std::chrono::steady_clock::now() < give_up)
        std::this_thread::sleep_for(100us);
    EXPECT_EQ(counter.kill_result.load(), TIMERR_NOERROR);
    std::this_thread::sleep_for(10ms);
    EXPECT_EQ(counter.calls.load(), 1);
    EXPECT_EQ(timeKillEvent(id), MMSYSERR_INVALPARAM);
}

TEST(TimerApi, ManualTimersFireOnTheCallingThreadOnlyWhenAsked) {
    platform::UseManualTimers(true);
    Counter periodic;
    Counter once;
    const UINT id =
        timeSetEvent(1, 1, Count, reinterpret_cast<DWORD_PTR>(&periodic), TIME_PERIODIC);
    const UINT one_shot =
        timeSetEvent(1, 1, Count, reinterpret_cast<DWORD_PTR>(&once), TIME_ONESHOT);
    std::this_thread::sleep_for(5ms);
    EXPECT_EQ(periodic.calls.load(), 0);
    platform::FireManualTimers(7);
    EXPECT_EQ(periodic.calls.load(), 7);
    EXPECT_EQ(once.calls.load(), 1);
    EXPECT_EQ(timeKillEvent(one_shot), MMSYSERR_INVALPARAM);  // already gone
    EXPECT_EQ(timeKillEvent(id), TIMERR_NOERROR);
    platform::FireManualTimers(3);
    EXPECT_EQ(periodic.calls.load(), 7);
    platform::UseManualTimers(false);
}

TEST(TimeGetTime, FollowsTheManualClockAndWrapsAt32Bits) {
    platform::UseManualClock(true);
    const DWORD start = timeGetTime();
    platform::AdvanceManualClock(1500);
    EXPECT_EQ(timeGetTime() - start, 1u);
    platform::AdvanceManualClock(500);
    EXPECT_EQ(timeGetTime() - start, 2u);
    // 2^32 milliseconds later the reading is the same again.
    platform::AdvanceManualClock((std::uint64_t{1} << 32) * 1000);
    EXPECT_EQ(timeGetTime() - start, 2u);
    platform::UseManualClock(false);
    const DWORD before = timeGetTime();
    std::this_thread::sleep_for(5ms);
    const DWORD after = timeGetTime();
    EXPECT_GE(after - before, 4u);
    EXPECT_LT(after - before, 5000u);
}
