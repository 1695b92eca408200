#include "panels/status_readouts.h"

#include "gfx/number_text.h"

void FormatPlayTime(uint32_t play_ms, char* out) {
    char* end = PutZeroPadded(out, play_ms / 60000, 2);
    *end++ = ':';
    end = PutZeroPadded(end, (play_ms % 60000) / 1000, 2);
    *end++ = ':';
    PutZeroPadded(end, (play_ms % 1000) / 10, 2);
}

uint16_t WheelLimit(uint32_t tempo_index) {
    if (tempo_index == 0) {
        tempo_index = 1;
    }
    return static_cast<uint16_t>(800 / tempo_index);
}

void TempoWheel::Advance(uint32_t tempo_index, bool turning) {
    ++frame_counter_;
    if (frame_counter_ >= WheelLimit(tempo_index)) {
        frame_counter_ = 0;
        if (turning) {
            phase_ = static_cast<uint16_t>((phase_ + 1) % kWheelPhases);
        }
    }
}

bool MemoryReadSchedule::Advance() {
    ++counter_;
    if (counter_ & 64) {
        counter_ = 0;
        return true;
    }
    return false;
}
