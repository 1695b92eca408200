#include "views/channel_meter.h"

#include <algorithm>

uint16_t MeterTargetLevel(uint8_t velocity, uint8_t volume) {
    return static_cast<uint16_t>(velocity * volume / 256);
}

uint16_t StepMeterLevel(uint16_t level, uint16_t target) {
    int next = level;
    if (level > target) {
        next -= level / 16;
        if (level < 16) {
            next -= 1;
        }
        next = std::max(next, 0);
    } else {
        next = target;
    }
    return static_cast<uint16_t>(std::min<int>(next, kMeterLevelCap));
}

int MeterLitRows(uint16_t level) {
    return level & ~1;
}

void StepMeterPeak(ChannelMeter& meter, int lit_rows) {
    if (meter.peak < lit_rows) {
        meter.peak = static_cast<uint16_t>(lit_rows);
        meter.hold = 0;
        return;
    }
    meter.hold += 1;
    if (meter.hold > kPeakHoldFrames) {
        if (meter.peak > 0) {
            meter.peak -= 1;
        }
        meter.hold = kPeakFalling;
    }
}

int PanPictureIndex(uint8_t pan) {
    // Pan values above 127 only come from damaged data; they keep to the
    // far-right picture instead of reading past the bitmap.
    return std::min(pan / 26, 4);
}

int VolumeStep(uint32_t player_volume) {
    return 15 - static_cast<int>(std::min<uint32_t>(player_volume, 255) / 16);
}

uint8_t VolumeMarker::Step(int step) {
    if (step != last_step_) {
        last_step_ = step;
        highlight_frames_ = 200;
        return kHighlightColour;
    }
    if (highlight_frames_ > 0) {
        --highlight_frames_;
        return kHighlightColour;
    }
    return kNormalColour;
}
