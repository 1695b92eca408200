// The fade that ends the software synth's output: a straight ramp to zero
// without a step at block edges, then silence, until it is cleared.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/backends/midi/output_fade.h"

namespace {

using platform::winmm::OutputFade;

// `frames` stereo frames of full-level signal, faded in blocks of `block`.
std::vector<float> FadeOfOnes(OutputFade& fade, int frames, int block) {
    std::vector<float> samples(2 * frames, 1.0f);
    for (int done = 0; done < frames; done += block)
        fade.Apply(samples.data() + 2 * done, std::min(block, frames - done));
    return samples;
}

TEST(OutputFade, PassesAudioUnchangedUntilStarted) {
    OutputFade fade(100);
    const std::vector<float> samples = FadeOfOnes(fade, 64, 64);
    for (float sample : samples)
        EXPECT_EQ(sample, 1.0f);
    EXPECT_FALSE(fade.Active());
    EXPECT_FALSE(fade.Silent());
}

TEST(OutputFade, RampsDownWithoutAStepAtBlockEdgesThenStaysSilent) {
    OutputFade fade(100);
    fade.Start();
    const std::vector<float> samples = FadeOfOnes(fade, 300, 7);
    float previous = 1.0f;
    for (size_t frame = 0; frame < samples.size() / 2; ++frame) {
        const float left = samples[2 * frame], right = samples[2 * frame + 1];
        EXPECT_EQ(left, right) << frame;
        EXPECT_LE(left, previous) << frame;
        EXPECT_LE(previous - left, 1.0f / 100 + 1e-6f) << "a step at frame " << frame;
        previous = left;
    }
    EXPECT_EQ(samples[2 * 99], 0.0f) << "the ramp ends at its length";
    EXPECT_GT(samples[2 * 98], 0.0f);
    EXPECT_EQ(samples.back(), 0.0f);
    EXPECT_TRUE(fade.Silent());
}

TEST(OutputFade, StartingAgainKeepsTheFadeGoingAndClearRestoresFullLevel) {
    OutputFade fade(10);
    fade.Start();
    std::vector<float> first = FadeOfOnes(fade, 5, 5);
    fade.Start();  // asked again while fading: no jump back to full level
    std::vector<float> second = FadeOfOnes(fade, 5, 5);
    EXPECT_LT(second.front(), first.back());
    EXPECT_TRUE(fade.Silent());
    fade.Clear();
    EXPECT_FALSE(fade.Active());
    EXPECT_EQ(FadeOfOnes(fade, 3, 3).front(), 1.0f);
    fade.Start();
    EXPECT_FALSE(fade.Silent()) << "a new fade after Clear starts from full level";
    EXPECT_NEAR(FadeOfOnes(fade, 1, 1).front(), 0.9f, 1e-6f);
}

}  // namespace
