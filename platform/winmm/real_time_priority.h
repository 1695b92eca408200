// Real-time scheduling for the threads whose lateness is heard: the MIDI
// timer and the software synth's audio thread.
#pragma once

namespace platform::winmm {

// Asks the kernel to run the calling thread first-in first-out,
// `levels_above_lowest` real-time levels up. Returns 0, or the error the
// kernel gave (EPERM where the user has no real-time budget).
int RequestRealTimeScheduling(int levels_above_lowest);

}  // namespace platform::winmm
