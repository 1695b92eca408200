// CSequencer's exact event times: how far the position of a period has run
// past an event, so devices that keep exact time can sound it when it fell
// due rather than when its period came.

#include "midi/sequencer.h"

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

}  // namespace

std::uint64_t CSequencer::SongNanosPastTick(std::uint64_t tick) const {
    const Rate rate = CurrentRate();
    if (rate.num == 0 || rate.den == 0)
        return 0;
    const std::uint64_t base = baseTicks.load(kRelaxed);
    // Both in song time at normal tempo since the base; the event's in
    // nanoseconds, so that a fine division loses nothing to rounding.
    const std::uint64_t position_ns =
        (foldedUs.load(kRelaxed) + elapsedMs.load(kRelaxed) * kMicrosPerPercentPeriod *
                                       static_cast<std::uint64_t>(activePercent.load(kRelaxed))) *
        1000u;
    const std::uint64_t event_ns =
        tick <= base ? 0
                     : static_cast<std::uint64_t>(static_cast<long double>(tick - base) * rate.den *
                                                  1000.0L / rate.num);
    return position_ns > event_ns ? position_ns - event_ns : 0;
}

std::uint64_t CSequencer::LatenessNs(std::uint64_t tick) const {
    // A period lasts 1 ms on the wall clock and percent x 10 us of song.
    const auto percent = static_cast<std::uint64_t>(activePercent.load(kRelaxed));
    const std::uint64_t song_ns = SongNanosPastTick(tick);
    return percent > 0 ? song_ns * 100u / percent : song_ns;
}
