// The spectrum analyzer's bar model: 72 bars for MIDI keys 36 to 107, lifted
// by sounding notes and their neighbours, sinking every frame, with peak
// markers kept in quarter pixels.
#pragma once

#include <cstdint>

inline constexpr int kSpectrumBars = 72;
inline constexpr int kSpectrumLowestKey = 36;

struct BarState {
    uint16_t level;  // 0 to 63
    uint16_t peak;   // quarter pixels
    uint16_t hold;   // frames since the peak rose; 70 once it sinks
};

// The energy of one sounding note: (velocity * volume) >> 8.
int NoteEnergy(uint8_t velocity, uint8_t volume);

// Feeds one sounding note (channel monitor note = MIDI key - 24) with its
// energy into the bars, spreading to the neighbours with falling energy.
// Notes outside the 72 keys are ignored.
void FeedBars(BarState* bars, int note, int energy);

// One frame's sinking: level - level / 20 - 1, not below 0.
uint16_t SinkBarLevel(uint16_t level);

// The drawn height of a level: even, rounded down.
int BarHeight(uint16_t level);

// One frame of the peak against the drawn height.
void StepBarPeak(BarState& bar, int height);

// The height in pixels at which the peak marker is drawn (even).
int PeakMarkerHeight(const BarState& bar);
