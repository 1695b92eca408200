// A short straight fade of rendered audio down to silence, so that the synth
// can cut its voices (a system reset, closing the output) without a click.
#pragma once

namespace platform::winmm {

class OutputFade {
public:
    explicit OutputFade(int frames) : length_(frames > 0 ? frames : 1) {}

    // Begins a fade from full level; a fade under way goes on unchanged.
    void Start() {
        if (!Active())
            done_ = 0;
    }
    // Back to full level: the audio passes unchanged again.
    void Clear() { done_ = -1; }
    bool Active() const { return done_ >= 0; }
    // The fade has reached zero: everything from here on is written as silence.
    bool Silent() const { return done_ >= length_; }

    // Scales `frames` interleaved stereo frames in place.
    void Apply(float* samples, int frames);

private:
    int length_;
    int done_ = -1;  // frames of the fade already written; -1 when none runs
};

}  // namespace platform::winmm
