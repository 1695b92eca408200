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

}  // namespace platform::winmm
