#include "panels/spectrum_bars.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Bars {
    BarState state[kSpectrumBars] = {};
};

TEST(SpectrumFeed, LoudNoteSpreadsToNeighboursWithFallingEnergy) {
    Bars bars;
    const int centre = 30;
    FeedBars(bars.state, centre + 12, 63);
    const std::vector<int> expected = {63, 53, 45, 38, 32, 27, 23, 19, 16, 13,
                                       11, 9,  7,  5,  4,  3,  2,  1,  0};
    for (size_t distance = 0; distance < expected.size(); ++distance) {
        EXPECT_EQ(bars.state[centre + distance].level, expected[distance]) << distance;
        EXPECT_EQ(bars.state[centre - distance].level, expected[distance]) << distance;
    }
}

TEST(SpectrumFeed, OnlyKeysThirtySixToOneHundredSevenHaveBars) {
    Bars bars;
    FeedBars(bars.state, 35 - 24, 63);
    FeedBars(bars.state, 108 - 24, 63);
    for (const BarState& bar : bars.state) {
        ASSERT_EQ(bar.level, 0);
    }
    FeedBars(bars.state, 36 - 24, 40);
    EXPECT_EQ(bars.state[0].level, 40);
    FeedBars(bars.state, 107 - 24, 50);
    EXPECT_EQ(bars.state[71].level, 50);
}

TEST(SpectrumFeed, KeepsTheLouderOfOverlappingNotes) {
    Bars bars;
    FeedBars(bars.state, 40, 20);
    FeedBars(bars.state, 42, 63);
    EXPECT_EQ(bars.state[30].level, 63);
    EXPECT_EQ(bars.state[28].level, 45);  // the loud note two keys away wins
    FeedBars(bars.state, 42, 10);
    EXPECT_EQ(bars.state[30].level, 63);
}

TEST(SpectrumFeed, EnergyFromVelocityAndVolume) {
    EXPECT_EQ(NoteEnergy(64, 127), 31);
    EXPECT_EQ(NoteEnergy(127, 127), 63);
    EXPECT_EQ(NoteEnergy(127, 0), 0);
}

TEST(SpectrumSink, FullLevelSinksToZeroInThirtySixFrames) {
    uint16_t level = 63;
    std::vector<int> seen;
    int frames = 0;
    while (level > 0) {
        level = SinkBarLevel(level);
        seen.push_back(level);
        ++frames;
        ASSERT_LT(frames, 100);
    }
    EXPECT_EQ(frames, 36);
    EXPECT_EQ(std::vector<int>(seen.begin(), seen.begin() + 4), (std::vector<int>{59, 56, 53, 50}));
    EXPECT_EQ(std::vector<int>(seen.end() - 4, seen.end()), (std::vector<int>{3, 2, 1, 0}));
    EXPECT_EQ(SinkBarLevel(0), 0);
}

// A held loud note, frame by frame, as the panel does it: feed, sink, draw.
TEST(SpectrumPeak, HeldNoteDipsOnceOnTheSixtyFirstFrame) {
    BarState bar = {};
    std::vector<int> marker;
    for (int frame = 0; frame < 63; ++frame) {
        if (bar.level < 63) {
            bar.level = 63;
        }
        bar.level = SinkBarLevel(bar.level);
        const int height = BarHeight(bar.level);
        ASSERT_EQ(height, 58);
        StepBarPeak(bar, height);
        marker.push_back(PeakMarkerHeight(bar));
    }
    for (int frame = 0; frame < 61; ++frame) {
        EXPECT_EQ(marker[frame], 58) << frame;
    }
    EXPECT_EQ(marker[61], 56);
    EXPECT_EQ(marker[62], 58);
}

TEST(SpectrumPeak, FallsTwoPixelsEveryEightFramesAfterHolding) {
    BarState bar = {};
    StepBarPeak(bar, 40);
    std::vector<int> marker;
    for (int frame = 0; frame < 60 + 17; ++frame) {
        StepBarPeak(bar, 0);
        marker.push_back(PeakMarkerHeight(bar));
    }
    EXPECT_EQ(marker[59], 40);  // still held after 60 frames
    EXPECT_EQ(marker[60], 38);  // 159 quarter pixels
    EXPECT_EQ(marker[67], 38);
    EXPECT_EQ(marker[68], 36);  // 151 quarter pixels
    EXPECT_EQ(marker[76], 34);
}

TEST(SpectrumPeak, SilentBarKeepsItsMarkerOnTheLowestRow) {
    BarState bar = {};
    for (int frame = 0; frame < 500; ++frame) {
        StepBarPeak(bar, BarHeight(SinkBarLevel(bar.level)));
    }
    EXPECT_EQ(PeakMarkerHeight(bar), 0);
    EXPECT_EQ(bar.peak, 0);
}

}  // namespace
