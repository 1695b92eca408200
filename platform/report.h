// The program's lines on standard error: one place for every failure the
// platform layer tells the user about, each line led by the area it comes
// from ("MIDI:ALSA: cannot connect to ...").
#pragma once

#include <atomic>

namespace platform {

// Writes "<area>: <text>\n" (the text alone when area is null) as one write,
// so lines of different threads never mix. `format` is printf's.
void Report(const char* area, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Report, the first time only for each `said` flag: for conditions that
// would otherwise repeat with every device open or every song.
void ReportOnce(std::atomic<bool>& said, const char* area, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

}  // namespace platform
