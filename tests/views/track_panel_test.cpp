#include "views/track_panel.h"

#include <set>

#include "tests/views/monitor_panel_fixture.h"

namespace {

// The track view at (2, 36): row i's text line at y 43 + 35i, its keyboard
// 10 rows lower, the wave strip at (292, line - 6).
int ChannelLineY(int channel) {
    return 43 + 35 * channel;
}
int KeysY(int channel) {
    return ChannelLineY(channel) + 10;
}

class TrackPanelTest : public MonitorPanelTest {
protected:
    void SetUp() override {
        MonitorPanelTest::SetUp();
        panel_ = MakePanel<CTrackPanel>();
    }
    void Send(uint8_t status, uint8_t data1, uint8_t data2) {
        GetChannelMonitor().Apply(status, data1, data2);
    }
    int LitWhitePixels(int channel) {
        return Count(36, 7, KeysY(channel), 322, KeysY(channel) + 17);
    }
    // The rows of the wave strip holding its line colour.
    std::set<int> WaveRows(int channel) {
        std::set<int> rows;
        for (int row = 0; row < 6; ++row)
            if (Count(16, 292, ChannelLineY(channel) - 6 + row, 324,
                      ChannelLineY(channel) - 5 + row) > 0)
                rows.insert(row);
        return rows;
    }
    CTrackPanel* panel_ = nullptr;
};

TEST_F(TrackPanelTest, MiddleCLightsItsWhiteKeyAndLeavesTheBlackKeyBesideIt) {
    DrawFrame(panel_);
    EXPECT_EQ(LitWhitePixels(0), 0);

    Send(0x90, 60, 100);
    DrawFrame(panel_);
    // First white key of the fourth octave: x 112 to 115, lit in 36 with its
    // lower edge in 37.
    EXPECT_EQ(At(112, KeysY(0)), 36);
    EXPECT_EQ(At(114, KeysY(0) + 15), 36);
    EXPECT_EQ(At(112, KeysY(0) + 16), 37);
    // The C# key reaching into its right edge stays unlit; below it the key
    // is lit.
    EXPECT_EQ(At(115, KeysY(0)), 34);
    EXPECT_EQ(At(115, KeysY(0) + 12), 36);
    EXPECT_EQ(Count(36, 112, KeysY(0), 116, KeysY(0) + 17), LitWhitePixels(0));
    EXPECT_TRUE(ShowsText(120, ChannelLineY(0) - 6, "C4", false, 0));
}

TEST_F(TrackPanelTest, LowestFSharpLightsThreePixelsOfItsBlackKey) {
    Send(0x91, 30, 100);
    DrawFrame(panel_);
    EXPECT_EQ(Count(38, 25, KeysY(1), 28, KeysY(1) + 10), 30);
    EXPECT_EQ(Count(38, 7, KeysY(1), 322, KeysY(1) + 17), 30);
    EXPECT_EQ(LitWhitePixels(1), 0);
    EXPECT_TRUE(ShowsText(120, ChannelLineY(1) - 6, "F+1", false, 0));
}

TEST_F(TrackPanelTest, NotesAfterAFreeSlotAreNotShown) {
    Send(0x90, 60, 100);  // slot 0
    Send(0x90, 64, 100);  // slot 1
    Send(0x90, 67, 100);  // slot 2
    Send(0x80, 64, 0);    // slot 1 free again
    DrawFrame(panel_);
    EXPECT_TRUE(ShowsText(120, ChannelLineY(0) - 6, "C4", false, 0));
    EXPECT_FALSE(ShowsText(120, ChannelLineY(0) - 6, "C4G4", false, 0));
    EXPECT_EQ(Count(36, 112, KeysY(0), 116, KeysY(0) + 17), LitWhitePixels(0));

    // A chord shown in full reads its names one after another.
    Send(0x90, 64, 100);
    DrawFrame(panel_);
    EXPECT_TRUE(ShowsText(120, ChannelLineY(0) - 6, "C4E4G4", false, 0));
}

TEST_F(TrackPanelTest, ProgramBankPanVolumeAndModulationReadOuts) {
    Send(0xB2, 0, 2);
    Send(0xB2, 32, 1);
    Send(0xB2, 10, 3);
    Send(0xB2, 7, 99);
    Send(0xB2, 1, 45);
    Send(0xC2, 17, 0);
    DrawFrame(panel_);
    const int y = ChannelLineY(2);
    EXPECT_TRUE(ShowsText(100, y, "017-0101", false, 0));
    EXPECT_TRUE(ShowsText(165, y, "003", false, 0));
    EXPECT_TRUE(ShowsText(205, y, "099", false, 0));
    EXPECT_TRUE(ShowsText(292, y, "045", false, 0));
    // Untouched channels show the reset values.
    EXPECT_TRUE(ShowsText(100, ChannelLineY(3), "000-0000", false, 0));
    EXPECT_TRUE(ShowsText(165, ChannelLineY(3), "064", false, 0));
}

TEST_F(TrackPanelTest, WaveRunsOnlyWithNotesAndModulationAboveFive) {
    Send(0x90, 60, 100);
    Send(0xB0, 1, 5);
    Send(0x91, 60, 100);
    Send(0xB1, 1, 6);
    Send(0xB2, 1, 100);  // no note on channel 3
    DrawFrame(panel_);
    EXPECT_EQ(WaveRows(0), std::set<int>{2});
    EXPECT_GE(WaveRows(1).size(), 3u);
    EXPECT_EQ(WaveRows(2), std::set<int>{2});
}

TEST_F(TrackPanelTest, WaveScrollsLeftTwoPixelsEverySecondFrame) {
    Send(0x90, 60, 100);
    Send(0xB0, 1, 64);
    auto strip = [this] {
        std::vector<BYTE> columns;
        for (int x = 292; x < 324; ++x)
            for (int row = 0; row < 6; ++row)
                columns.push_back(At(x, ChannelLineY(0) - 6 + row));
        return columns;
    };
    DrawFrame(panel_);
    const std::vector<BYTE> first = strip();
    // Of any two frames' steps one counts: two frames on, the strip has moved
    // two columns to the left, its first columns wrapping round to the end.
    DrawFrames(panel_, 2);
    std::vector<BYTE> moved = strip();
    std::vector<BYTE> shifted(first.begin() + 12, first.end());
    shifted.insert(shifted.end(), first.begin(), first.begin() + 12);
    EXPECT_EQ(moved, shifted);
    DrawFrames(panel_, 30);  // 32 frames after the first: 16 steps, all the way round
    EXPECT_EQ(strip(), first);
}

TEST_F(TrackPanelTest, AfterARestoreTheKeyboardLooksAsBefore) {
    Send(0x90, 60, 100);
    Send(0x93, 30, 100);
    DrawFrame(panel_);
    const std::vector<BYTE> before = pixels_;
    panel_->Restore();
    DrawFrame(panel_);
    // Everything but the scrolling wave strips is drawn again the same.
    for (int y = 36; y < 390; ++y)
        for (int x = 2; x < 290; ++x)
            ASSERT_EQ(At(x, y), before[static_cast<size_t>(y) * 640 + x]) << x << "," << y;
    EXPECT_EQ(At(112, KeysY(0)), 36);
}

}  // namespace
