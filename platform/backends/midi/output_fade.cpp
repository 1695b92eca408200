#include "platform/backends/midi/output_fade.h"

namespace platform::winmm {

void OutputFade::Apply(float* samples, int frames) {
    if (!Active())
        return;
    for (int i = 0; i < frames; ++i) {
        const float level = done_ < length_ ? 1.0f - static_cast<float>(done_ + 1) / length_ : 0.0f;
        samples[2 * i] *= level;
        samples[2 * i + 1] *= level;
        if (done_ < length_)
            ++done_;
    }
}

}  // namespace platform::winmm
