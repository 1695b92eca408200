// How songs with loop points are played: straight through (loops off), the
// loop body a number of times and then a fade, or looping until stopped.
#pragma once

#include <algorithm>

enum class LoopMode { kOff, kCount, kForever };

struct LoopSettings {
    static constexpr int MIN_COUNT = 1;
    static constexpr int MAX_COUNT = 99;
    static constexpr int DEFAULT_COUNT = 2;
    static constexpr int MAX_FADE_SECONDS = 60;
    static constexpr int DEFAULT_FADE_SECONDS = 8;

    LoopMode mode = LoopMode::kOff;
    // Passes of the loop body in all (kCount).
    int count = DEFAULT_COUNT;
    // Length of the fade after the last pass (kCount).
    int fade_seconds = DEFAULT_FADE_SECONDS;

    // The same settings with count and fade brought into their ranges.
    LoopSettings Clamped() const {
        LoopSettings clamped = *this;
        clamped.count = std::clamp(count, MIN_COUNT, MAX_COUNT);
        clamped.fade_seconds = std::clamp(fade_seconds, 0, MAX_FADE_SECONDS);
        return clamped;
    }
    bool operator==(const LoopSettings&) const = default;
};

// Where the loaded song is in its loop.
struct LoopProgress {
    // The song has a loop and the mode is not off.
    bool active = false;
    // The pass of the loop body playing, from 1 (0 while in the intro).
    int pass = 0;
    // Passes in all before the fade; 0 when the loop goes on forever.
    int passes = 0;
};
