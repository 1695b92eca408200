#include "views/channel_meter.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> FallWithoutNotes(uint16_t level, int frames) {
    std::vector<int> seen;
    for (int i = 0; i < frames; ++i) {
        level = StepMeterLevel(level, 0);
        seen.push_back(level);
    }
    return seen;
}

TEST(ChannelMeterLevel, LowLevelFallsOneStepPerFrameToZero) {
    EXPECT_EQ(FallWithoutNotes(10, 11), (std::vector<int>{9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 0}));
}

TEST(ChannelMeterLevel, HighLevelFallsBySixteenth) {
    EXPECT_EQ(FallWithoutNotes(48, 4), (std::vector<int>{45, 43, 41, 39}));
}

TEST(ChannelMeterLevel, LoudestNoteIsCappedAtSixty) {
    const uint16_t target = MeterTargetLevel(127, 127);
    EXPECT_EQ(target, 63);
    EXPECT_EQ(StepMeterLevel(0, target), 60);
    EXPECT_EQ(MeterLitRows(StepMeterLevel(0, target)), 60);
    // Damaged data (bytes above 127) cannot push the meter past its image.
    EXPECT_EQ(StepMeterLevel(0, MeterTargetLevel(255, 255)), 60);
}

TEST(ChannelMeterLevel, RisesAtOnceAndFallsOnlyToTheTarget) {
    EXPECT_EQ(StepMeterLevel(5, 40), 40);
    EXPECT_EQ(StepMeterLevel(40, 39), 38);  // falls by 40 / 16 = 2, below the target
    EXPECT_EQ(MeterLitRows(39), 38);
}

TEST(ChannelMeterPeak, HoldsSixtyFramesThenFallsEveryFrame) {
    ChannelMeter meter;
    StepMeterPeak(meter, 40);
    EXPECT_EQ(meter.peak, 40);
    for (int frame = 1; frame <= 60; ++frame) {
        StepMeterPeak(meter, 0);
        ASSERT_EQ(meter.peak, 40) << "frame " << frame;
    }
    StepMeterPeak(meter, 0);
    EXPECT_EQ(meter.peak, 39);
    StepMeterPeak(meter, 0);
    EXPECT_EQ(meter.peak, 38);
    // A louder meter lifts the marker again and restarts the hold.
    StepMeterPeak(meter, 50);
    EXPECT_EQ(meter.peak, 50);
    EXPECT_EQ(meter.hold, 0);
}

TEST(ChannelMeterPeak, NeverFallsBelowZero) {
    ChannelMeter meter;
    for (int frame = 0; frame < 200; ++frame) {
        StepMeterPeak(meter, 0);
    }
    EXPECT_EQ(meter.peak, 0);
}

TEST(PanPicture, FiveRangesFromLeftToRight) {
    EXPECT_EQ(PanPictureIndex(0), 0);
    EXPECT_EQ(PanPictureIndex(25), 0);
    EXPECT_EQ(PanPictureIndex(26), 1);
    EXPECT_EQ(PanPictureIndex(64), 2);
    EXPECT_EQ(PanPictureIndex(127), 4);
    EXPECT_EQ(PanPictureIndex(255), 4);
}

TEST(VolumeMarker, StepsFromLoudestAtTop) {
    EXPECT_EQ(VolumeStep(255), 0);
    EXPECT_EQ(VolumeStep(240), 0);
    EXPECT_EQ(VolumeStep(239), 1);
    EXPECT_EQ(VolumeStep(0), 15);
}

TEST(VolumeMarker, HighlightedForTwoHundredAndOneFramesAfterAChange) {
    VolumeMarker marker;
    int highlighted = 0;
    for (int frame = 0; frame < 400; ++frame) {
        if (marker.Step(3) == VolumeMarker::kHighlightColour) {
            ++highlighted;
        }
    }
    EXPECT_EQ(highlighted, 201);
    EXPECT_EQ(marker.Step(3), VolumeMarker::kNormalColour);
    EXPECT_EQ(marker.Step(4), VolumeMarker::kHighlightColour);
}

}  // namespace
