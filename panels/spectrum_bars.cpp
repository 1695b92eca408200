#include "panels/spectrum_bars.h"

#include <algorithm>

int NoteEnergy(uint8_t velocity, uint8_t volume) {
    return (velocity * volume) >> 8;
}

namespace {
void Lift(BarState& bar, int energy) {
    if (bar.level < energy) {
        bar.level = static_cast<uint16_t>(energy);
    }
}
}  // namespace

void FeedBars(BarState* bars, int note, int energy) {
    const int b = note - 12;
    if (b < 0 || b >= kSpectrumBars) {
        return;
    }
    Lift(bars[b], energy);
    // The neighbours get a little less at every step outward, to both ends
    // of the range.
    for (int f = 1; b - f >= 0 || b + f < kSpectrumBars; ++f) {
        energy = std::max(0, energy - energy / 7 - 1);
        if (b - f >= 0) {
            Lift(bars[b - f], energy);
        }
        if (b + f < kSpectrumBars) {
            Lift(bars[b + f], energy);
        }
    }
}

uint16_t SinkBarLevel(uint16_t level) {
    return static_cast<uint16_t>(std::max(0, level - level / 20 - 1));
}

int BarHeight(uint16_t level) {
    return level & ~1;
}

void StepBarPeak(BarState& bar, int height) {
    if (bar.peak / 4 < height) {
        bar.peak = static_cast<uint16_t>(4 * height);
        bar.hold = 0;
        return;
    }
    bar.hold += 1;
    if (bar.hold > 60) {
        if (bar.peak > 0) {
            bar.peak -= 1;
        }
        bar.hold = 70;
    }
}

int PeakMarkerHeight(const BarState& bar) {
    return (bar.peak / 4) & ~1;
}
