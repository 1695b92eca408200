// The system status panel's read-out formats and its tempo wheel.
#pragma once

#include <cstdint>

inline constexpr int kWheelPhases = 6;

// Play time as "MM:SS:HH" (minutes, seconds, hundredths): 61,234 ms gives
// "01:01:23". out must hold 16 bytes.
void FormatPlayTime(uint32_t play_ms, char* out);

// Frames between two steps of the wheel at a tempo index (microseconds per
// quarter note / 4000); an index of 0 counts as 1.
uint16_t WheelLimit(uint32_t tempo_index);

// The wheel's turning: a frame counter and the lit pair of spokes.
class TempoWheel {
public:
    // One frame: after WheelLimit frames the phase steps on when turning.
    void Advance(uint32_t tempo_index, bool turning);
    uint16_t Phase() const { return phase_; }

private:
    uint16_t frame_counter_ = 0;
    uint16_t phase_ = 0;  // 0 to 5
};

// Counts frames and says when the memory figures should be read again
// (every 64th frame).
class MemoryReadSchedule {
public:
    bool Advance();

private:
    uint32_t counter_ = 0;
};
