// The clock behind timeGetTime, the timers and the MIDI recordings: the
// monotonic clock, or a clock that tests move by hand.
#pragma once

#include <cstdint>

namespace platform::winmm {

// Nanoseconds of CLOCK_MONOTONIC (never the manual clock).
std::uint64_t MonotonicNanos();
// Microseconds since the program started, on the manual clock when that is on.
std::uint64_t MicrosSinceStart();
bool ManualClockInUse();

// The deadline of the timer period this thread is running (set by the timer
// around each callback; 0 outside one), on the clock of MessageTimeNanos.
void SetPeriodDeadline(std::uint64_t deadline_ns);
// When the message this thread sends now falls due: inside a timer callback
// the period's deadline less the lateness the sender set for it, elsewhere
// now. Nanoseconds of the monotonic clock, or of the manual clock when that
// is on.
std::uint64_t MessageTimeNanos();

}  // namespace platform::winmm
