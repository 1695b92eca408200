#include "panels/spectrum_panel.h"

#include "tests/views/monitor_panel_fixture.h"

namespace {

// The analyzer at (340, 190): bar k's three columns from x 345 + 4k, lit
// rows every second row up from y 260, the silent peak marker on y 260.
int BarX(int bar) {
    return 345 + 4 * bar;
}
constexpr int kLowestRow = 260;

class SpectrumPanelTest : public MonitorPanelTest {
protected:
    void SetUp() override {
        MonitorPanelTest::SetUp();
        panel_ = MakePanel<CSpectrumPanel>();
    }
    // The drawn height of a bar: its lit rows counted from the bottom.
    int BarHeight(int bar) {
        int height = 0;
        while (height < 60 && Count(49, BarX(bar), kLowestRow - height, BarX(bar) + 3,
                                    kLowestRow - height + 1) == 3)
            height += 2;
        return height;
    }
    int LitPixels() { return Count(49, 340, 190, 635, 275); }
    CSpectrumPanel* panel_ = nullptr;
};

TEST_F(SpectrumPanelTest, SilentBarsShowUnlitDashesAndLowMarkers) {
    DrawFrame(panel_);
    EXPECT_EQ(LitPixels(), 0);
    for (int bar = 0; bar < 72; ++bar) {
        ASSERT_EQ(Count(52, BarX(bar), kLowestRow, BarX(bar) + 3, kLowestRow + 1), 3) << bar;
        ASSERT_EQ(Count(48, BarX(bar), 202, BarX(bar) + 3, kLowestRow), 3 * 29) << bar;
        ASSERT_EQ(At(BarX(bar) + 3, 230), 0) << bar;  // the gap between bars
    }
}

TEST_F(SpectrumPanelTest, HeldLoudNoteAndItsNeighbours) {
    GetChannelMonitor().Apply(0x90, 60, 127);
    DrawFrames(panel_, 3);
    EXPECT_EQ(BarHeight(24), 58);  // fed 63, sunk to 59
    EXPECT_EQ(BarHeight(23), 50);
    EXPECT_EQ(BarHeight(25), 50);
    EXPECT_EQ(BarHeight(22), 42);
    EXPECT_EQ(Count(52, BarX(24), kLowestRow - 58, BarX(24) + 3, kLowestRow - 57), 3);
    EXPECT_EQ(BarHeight(5), 0);
    EXPECT_EQ(BarHeight(43), 0);
}

TEST_F(SpectrumPanelTest, OnlyKeysThirtySixToOneHundredSevenAndAudibleChannels) {
    GetChannelMonitor().Apply(0x90, 35, 127);
    GetChannelMonitor().Apply(0x90, 108, 127);
    GetChannelMonitor().Apply(0xB1, 7, 0);
    GetChannelMonitor().Apply(0x91, 60, 127);  // a channel at volume 0
    DrawFrame(panel_);
    EXPECT_EQ(LitPixels(), 0);

    // The lowest key feeds the first bar.
    GetChannelMonitor().Apply(0x92, 36, 127);
    DrawFrame(panel_);
    EXPECT_EQ(BarHeight(0), 58);
}

TEST_F(SpectrumPanelTest, DamagedVelocityDrawsNothingOutsideThePanel) {
    // A velocity byte of 255 gives levels past the bar image (126 at the
    // key, 107, 91 and 77 beside it): those bars and markers are skipped,
    // the frame goes on.
    GetChannelMonitor().Apply(0x90, 60, 255);
    DrawFrames(panel_, 2);
    EXPECT_EQ(BarHeight(24), 0);
    EXPECT_EQ(BarHeight(27), 0);
    EXPECT_EQ(Count(52, 0, 0, 640, 190), 0);
    EXPECT_EQ(Count(49, 0, 0, 640, 190), 0);
    // Four keys away the level is 65, sunk to 61: the full 60 rows.
    EXPECT_EQ(BarHeight(28), 60);
    EXPECT_EQ(BarHeight(29), 52);
}

TEST_F(SpectrumPanelTest, AfterARestoreTheBarsLookAsBefore) {
    GetChannelMonitor().Apply(0x90, 60, 127);
    DrawFrames(panel_, 3);
    const std::vector<BYTE> before = pixels_;
    panel_->Restore();
    DrawFrame(panel_);
    EXPECT_EQ(pixels_, before);
    EXPECT_EQ(BarHeight(24), 58);
}

}  // namespace
