// The per-frame rules of the MIDI canvas's level meters, pan pictures and
// volume marker, kept apart from the drawing so they can be checked alone.
#pragma once

#include <cstdint>

inline constexpr int kMeterChannels = 16;
inline constexpr uint16_t kMeterLevelCap = 60;
inline constexpr uint16_t kPeakHoldFrames = 60;
// Set once the marker has started to fall, so it keeps falling every frame.
inline constexpr uint16_t kPeakFalling = 70;

// One channel's meter: its shown level and its peak marker.
struct ChannelMeter {
    uint16_t level = 0;
    uint16_t peak = 0;
    uint16_t hold = 0;
};

// The level a channel's loudest sounding note drives the meter to:
// velocity * volume / 256 (0 to 63 for MIDI data).
uint16_t MeterTargetLevel(uint8_t velocity, uint8_t volume);

// One frame of the meter: a level above the target falls by level / 16
// (one more below 16, not below 0); otherwise it jumps to the target. The
// result is capped at 60.
uint16_t StepMeterLevel(uint16_t level, uint16_t target);

// The rows of the lit-meter image shown: the level rounded down to even.
int MeterLitRows(uint16_t level);

// One frame of the peak marker against the lit rows: raised and held for 60
// frames, then falling one pixel per frame.
void StepMeterPeak(ChannelMeter& meter, int lit_rows);

// The pan picture (0 far left to 4 far right) for a pan value.
int PanPictureIndex(uint8_t pan);

// The volume indicator's step, 0 for the loudest at the top to 15.
int VolumeStep(uint32_t player_volume);

// The volume marker stays highlighted for 201 frames after the step changes.
class VolumeMarker {
public:
    static constexpr uint8_t kHighlightColour = 21;
    static constexpr uint8_t kNormalColour = 2;

    // Returns the colour to draw this frame's marker in.
    uint8_t Step(int step);

private:
    int last_step_ = 0xFF;  // never equals a real step
    int highlight_frames_ = 0;
};
