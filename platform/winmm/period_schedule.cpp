#include "platform/winmm/period_schedule.h"

namespace platform::winmm {

PeriodSchedule::PeriodSchedule(std::uint64_t start_ns, std::uint64_t period_ns)
    : start_ns_(start_ns), period_ns_(period_ns) {}

std::uint64_t PeriodSchedule::NextDeadline() const {
    return start_ns_ + (fired_ + 1) * period_ns_;
}

std::uint64_t PeriodSchedule::TakeDue(std::uint64_t now_ns) {
    if (now_ns < start_ns_)
        return 0;
    const std::uint64_t due = (now_ns - start_ns_) / period_ns_;
    if (due <= fired_)
        return 0;
    std::uint64_t missed = due - fired_;
    // Past the limit the time lost stays lost: one period runs now and the
    // next falls due a period from now.
    if ((missed - 1) * period_ns_ > kCatchUpLimitNs)
        missed = 1;
    fired_ = due;
    return missed;
}

}  // namespace platform::winmm
