// When a periodic timer's callbacks fall due: at start + n periods, counted
// from the start so that lateness never accumulates.
#pragma once

#include <cstdint>

namespace platform::winmm {

class PeriodSchedule {
public:
    // A stall of up to this long (a loaded machine, a slow disk, a debugger)
    // is caught up in full: every missed period runs at once, so the song
    // keeps its place. A longer one is taken for a suspended machine, whose
    // monotonic clock stands still, or a stop in a debugger: the timer skips
    // ahead rather than firing thousands of periods back to back.
    static constexpr std::uint64_t kCatchUpLimitNs = 1'000'000'000;

    PeriodSchedule(std::uint64_t start_ns, std::uint64_t period_ns);

    // When the next period falls due.
    std::uint64_t NextDeadline() const;
    // How many periods to run on waking at now_ns; counts them as run.
    std::uint64_t TakeDue(std::uint64_t now_ns);

private:
    std::uint64_t start_ns_;
    std::uint64_t period_ns_;
    std::uint64_t fired_ = 0;
};

}  // namespace platform::winmm
