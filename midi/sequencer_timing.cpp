// CSequencer's exact event times: how far a period has run past an event, so
// devices that keep exact time can sound it when it fell due rather than
// when its period came.

#include "midi/sequencer.h"

#include "midi/relaxed_order.h"
#include "midi/sequencer_time.h"

using sequencer_time::Wide;

std::uint64_t CSequencer::LatenessNs(std::uint64_t tick, std::uint64_t at_us,
                                     std::uint64_t step_us) const {
    const Rate rate = CurrentRate();
    if (rate.num == 0 || step_us == 0)
        return 0;
    // Both in song time x num since the pass's start: the event lies
    // (tick - base) x den past the segment's start. A tick before the
    // segment's start (another track's tempo change in this period) counts
    // from the start.
    const std::uint64_t base = baseTicks.load(kRelaxed);
    const Wide event =
        Wide{segmentStart.load(kRelaxed)} + (tick > base ? Wide{tick - base} * rate.den : Wide{0});
    const Wide period = Wide{at_us} * rate.num;
    if (period <= event)
        return 0;
    // Song nanoseconds, then wall time: a period is 1 ms on the wall clock
    // and `step_us` of song.
    const Wide song_ns = (period - event) * 1000u / rate.num;
    return static_cast<std::uint64_t>(song_ns * 1000u / step_us);
}
