#include "panels/status_readouts.h"

#include "gfx/number_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <set>

namespace {

std::string PlayTime(uint32_t ms) {
    char text[16];
    FormatPlayTime(ms, text);
    return text;
}

TEST(PlayTimeFormat, MinutesSecondsHundredths) {
    EXPECT_EQ(PlayTime(0), "00:00:00");
    EXPECT_EQ(PlayTime(61234), "01:01:23");
    EXPECT_EQ(PlayTime(59999), "00:59:99");
    EXPECT_EQ(PlayTime(100u * 60000u + 5), "100:00:00");  // wider past 99 minutes
    EXPECT_EQ(PlayTime(0xFFFFFFFFu), "71582:47:29");
}

// The read-outs' figures as snprintf would write them: signs, widths that
// are too narrow, and the widest values.
TEST(ZeroPadded, WritesWhatSnprintfWrites) {
    for (long long value : {0LL, 7LL, -5LL, 123456789LL, -123456789LL, LLONG_MAX, LLONG_MIN,
                            static_cast<long long>(INT32_MIN)}) {
        for (int width : {0, 1, 3, 8, 21}) {
            char expected[32];
            char written[32];
            std::snprintf(expected, sizeof expected, "%0*lld", width, value);
            const char* end = PutZeroPadded(written, value, width);
            EXPECT_STREQ(written, expected) << value << " width " << width;
            EXPECT_EQ(end, written + std::strlen(expected));
        }
    }
}

TEST(WheelLimit, FramesPerStepFromTheTempo) {
    EXPECT_EQ(WheelLimit(0), 800);  // no tempo yet
    EXPECT_EQ(WheelLimit(125), 6);  // 500,000 us per quarter
    EXPECT_EQ(WheelLimit(250), 3);  // 1,000,000 us per quarter
    EXPECT_EQ(WheelLimit(801), 0);
}

TEST(TempoWheel, StepsEveryLimitFramesThroughSixPhases) {
    TempoWheel wheel;
    std::vector<int> phases;
    for (int frame = 0; frame < 42; ++frame) {
        wheel.Advance(125, true);
        phases.push_back(wheel.Phase());
    }
    EXPECT_EQ(phases[4], 0);
    EXPECT_EQ(phases[5], 1);  // the sixth frame steps
    EXPECT_EQ(phases[11], 2);
    EXPECT_EQ(phases[35], 0);  // 0, 1, 2, 3, 4, 5, 0
    EXPECT_EQ(std::set<int>(phases.begin(), phases.end()).size(), 6u);
}

TEST(TempoWheel, StandsStillWhenNotTurningAndTurnsEveryFrameAtHugeTempo) {
    TempoWheel stopped;
    for (int frame = 0; frame < 2000; ++frame) {
        stopped.Advance(250, false);
    }
    EXPECT_EQ(stopped.Phase(), 0);

    TempoWheel fast;
    for (int frame = 1; frame <= 7; ++frame) {
        fast.Advance(1000, true);
        EXPECT_EQ(fast.Phase(), frame % 6);
    }
}

TEST(MemoryReadSchedule, EverySixtyFourthFrame) {
    MemoryReadSchedule schedule;
    int reads = 0;
    int first = 0;
    for (int frame = 1; frame <= 640; ++frame) {
        if (schedule.Advance()) {
            if (reads++ == 0) {
                first = frame;
            }
        }
    }
    EXPECT_EQ(first, 64);
    EXPECT_EQ(reads, 10);
}

}  // namespace
