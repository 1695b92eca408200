// The frame pacer on a hand-driven clock: the 16/17 ms schedule, late
// frames, the fps count and the clock's wrap.
#include <gtest/gtest.h>

#include <vector>

#include "display/frame_pacer.h"

namespace {

// Sleeping moves the clock on by exactly the time asked for; a pause while
// polling moves it by one millisecond, so a wait ends on its target.
class ManualClock : public CFrameClock {
public:
    explicit ManualClock(DWORD start_ms) : now_ms(start_ms) {}
    DWORD Now() override { return now_ms; }
    void SleepMs(DWORD ms) override {
        now_ms += ms;
        slept_ms += ms;
    }
    void Relax() override { now_ms += 1; }

    DWORD now_ms;
    DWORD slept_ms = 0;
};

struct Recorder {
    ManualClock* clock;
    std::vector<DWORD> starts;
    DWORD work_ms = 0;
};

int RecordFrame(void* context) {
    auto* recorder = static_cast<Recorder*>(context);
    recorder->starts.push_back(recorder->clock->now_ms);
    recorder->clock->now_ms += recorder->work_ms;
    return 7;
}

TEST(FramePacer, SixtyFramesPerSecondAlternateSixteenAndSeventeenMilliseconds) {
    ManualClock clock(100000);
    CFramePacer pacer(clock);
    pacer.Init(60, RecordFrame);
    EXPECT_EQ(pacer.GetPeriod(), 16u);
    EXPECT_EQ(pacer.GetFraction(), 6666u);

    Recorder recorder{&clock, {}, 0};
    EXPECT_EQ(pacer.Step(&recorder), 7);
    for (int k = 1; k <= 600; ++k)
        pacer.Step(&recorder);
    const DWORD first = recorder.starts[0];
    EXPECT_EQ(first, 100000u);  // the first frame runs at once
    const DWORD expected_early[] = {17, 33, 50, 67, 83, 100};
    for (int k = 1; k <= 6; ++k)
        EXPECT_EQ(recorder.starts[k] - first, expected_early[k - 1]);
    for (int k = 1; k <= 600; ++k) {
        const DWORD expected = 16 * k + 6666 * (k + 1) / 10000;
        ASSERT_EQ(recorder.starts[k] - first, expected) << "frame " << k;
    }
    // Waiting sleeps most of the time rather than spinning.
    EXPECT_GT(clock.slept_ms, 600u * 14);
}

TEST(FramePacer, LateFrameIsNotCaughtUp) {
    ManualClock clock(5000);
    CFramePacer pacer(clock);
    pacer.Init(60, RecordFrame);
    Recorder recorder{&clock, {}, 40};
    pacer.Step(&recorder);
    pacer.Step(&recorder);
    recorder.work_ms = 0;
    pacer.Step(&recorder);
    ASSERT_EQ(recorder.starts.size(), 3u);
    EXPECT_EQ(recorder.starts[1] - recorder.starts[0], 40u);
    EXPECT_EQ(recorder.starts[2] - recorder.starts[1], 40u);
}

TEST(FramePacer, FpsChangesOncePerSecondCountingTheNoticingFrame) {
    ManualClock clock(10990);
    CFramePacer pacer(clock);
    pacer.Init(60, RecordFrame);
    Recorder recorder{&clock, {}, 0};
    pacer.Step(&recorder);  // 10990: second 10, first frame seen
    EXPECT_EQ(pacer.GetFps(), 1);
    while (clock.now_ms < 11990) {
        pacer.Step(&recorder);
        if (clock.now_ms < 12000) {
            ASSERT_EQ(pacer.GetFps(), 1);
        }
    }
    while (pacer.GetLastFrameTime() < 12000)
        pacer.Step(&recorder);
    // Second 11 held the frames after 10990 up to the one that saw 12000.
    EXPECT_GE(pacer.GetFps(), 59);
    EXPECT_LE(pacer.GetFps(), 61);
}

TEST(FramePacer, ClockWrapAndZeroRate) {
    ManualClock clock(0xFFFFFFF0u);
    CFramePacer pacer(clock);
    pacer.Init(60, RecordFrame);
    Recorder recorder{&clock, {}, 0};
    for (int k = 0; k < 4; ++k)
        pacer.Step(&recorder);
    EXPECT_EQ(recorder.starts[0], 0xFFFFFFF0u);  // runs at once, not a wrap away
    EXPECT_EQ(recorder.starts[1] - recorder.starts[0], 17u);
    EXPECT_EQ(recorder.starts[3] - recorder.starts[0], 50u);  // across the wrap

    // A clock past 2^31 ms (weeks of uptime) does not stall the first frame.
    ManualClock late(0x90000000u);
    CFramePacer pacer_late(late);
    pacer_late.Init(60, RecordFrame);
    Recorder late_recorder{&late, {}, 0};
    pacer_late.Step(&late_recorder);
    pacer_late.Step(&late_recorder);
    EXPECT_EQ(late_recorder.starts[0], 0x90000000u);
    EXPECT_EQ(late_recorder.starts[1] - late_recorder.starts[0], 17u);

    CFramePacer idle(clock);
    idle.Init(0, RecordFrame);
    EXPECT_EQ(idle.Step(&recorder), 0);
    EXPECT_EQ(recorder.starts.size(), 4u);
}

}  // namespace
