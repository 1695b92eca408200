// The timer's schedule on a hand-set clock: waking every millisecond, then a
// stall of 400 ms (every missed period runs at once, nothing is lost) or of
// 5 s (taken for a suspend: one period runs and the schedule moves on).
#include <gtest/gtest.h>

#include <cstdint>

#include "platform/winmm/period_schedule.h"

namespace {

constexpr std::uint64_t kMs = 1'000'000;
constexpr std::uint64_t kStart = 7 * kMs + 123;  // an arbitrary phase

// Wakes at every deadline for `ms` milliseconds; returns the periods run.
std::uint64_t RunOnTime(platform::winmm::PeriodSchedule& schedule, std::uint64_t ms) {
    std::uint64_t run = 0;
    for (std::uint64_t i = 0; i < ms; ++i)
        run += schedule.TakeDue(schedule.NextDeadline());
    return run;
}

}  // namespace

TEST(PeriodSchedule, CatchesUpAStallOfUpToASecondAndSkipsPastALongerOne) {
    for (std::uint64_t stall_ms : {400u, 1000u, 5000u}) {
        SCOPED_TRACE(stall_ms);
        platform::winmm::PeriodSchedule schedule(kStart, kMs);
        EXPECT_EQ(schedule.TakeDue(kStart + kMs / 2), 0u);  // woken early: nothing yet
        ASSERT_EQ(RunOnTime(schedule, 2000), 2000u);
        // The thread meant to wake at 2001 ms wakes stall_ms later, mid-period.
        const std::uint64_t late = schedule.NextDeadline() + stall_ms * kMs + kMs / 3;
        const std::uint64_t burst = schedule.TakeDue(late);
        const bool caught_up = stall_ms <= 1000;
        EXPECT_EQ(burst, caught_up ? stall_ms + 1 : 1u);
        EXPECT_EQ(schedule.TakeDue(late), 0u);
        // The next period falls due on the original grid, after the wake-up.
        EXPECT_GT(schedule.NextDeadline(), late);
        EXPECT_LE(schedule.NextDeadline(), late + kMs);
        EXPECT_EQ((schedule.NextDeadline() - kStart) % kMs, 0u);
        // Caught up, the song is where the clock says; skipped, it stays
        // behind by the stall.
        const std::uint64_t total = 2000 + burst + RunOnTime(schedule, 1000);
        const std::uint64_t elapsed_ms = (schedule.NextDeadline() - kStart) / kMs - 1;
        EXPECT_EQ(elapsed_ms - total, caught_up ? 0u : stall_ms);
    }
}
