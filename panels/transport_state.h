// The transport settings the system status panel shows while they differ
// from normal: tempo factor, key, solo and muted channels, the loop mode.
#pragma once

#include <cstdint>

#include "midi/loop_settings.h"

struct TransportState {
    int tempo_percent = 100;
    int transpose = 0;
    int solo_channel = -1;    // 0-15, or -1 for none
    std::uint16_t muted = 0;  // bit n: channel n muted
    LoopSettings loop;        // listed while its mode is not off
    LoopProgress loop_progress;
};

// The sequencer's current settings.
TransportState ReadTransportState();

// Up to kCount lines of font A text, filled from the top; unused lines are
// empty. All empty at normal settings.
struct TransportLines {
    static constexpr int kCount = 6;
    static constexpr int kWidth = 19;  // characters that fit beside the wheel
    char text[kCount][kWidth + 1] = {};
};

// "TEMPO 105%", "KEY +2", "SOLO CH 3", then "MUTE" and the muted channel
// numbers (1-16), wrapped onto further lines, then the loop mode: "LOOP 2"
// or "LOOP FOREVER"; in a song with a loop its pass instead: "LOOP INTRO",
// "LOOP 1/2", "LOOP FADE" after the last pass, "LOOP FOREVER 3".
void FormatTransportState(const TransportState& state, TransportLines& lines);
