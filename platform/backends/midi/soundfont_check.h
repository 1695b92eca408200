// A look at a SoundFont's structure before the synth reads it: a file that
// is missing, cut short, not a SoundFont or lying about its own sizes is
// turned away with a reason, so nothing past its end is ever read.
#pragma once

#include <string>

namespace platform::winmm {

struct SoundFontFacts {
    std::string problem;      // empty when the file may be loaded
    bool compressed = false;  // SoundFont 3: Ogg Vorbis samples
    int samples = 0;
    int min_sample_rate = 0;
    int max_sample_rate = 0;
};

// Reads the file's chunk headers and its sample headers (not the samples).
SoundFontFacts CheckSoundFont(const std::string& path);

}  // namespace platform::winmm
