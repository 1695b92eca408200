#include "views/midi_canvas_panel.h"

#include "gfx/custom_bitmap.h"
#include "tests/views/monitor_panel_fixture.h"

namespace {

// The canvas at (340, 275): channel k's meter from x 380 + 16k, 14 wide, its
// rows ending above y 357, where the pan picture starts; the volume blocks
// at (343, 292 + 4s).
int MeterX(int channel) {
    return 380 + 16 * channel;
}
constexpr int kMeterBottom = 357;

class MidiCanvasPanelTest : public MonitorPanelTest {
protected:
    void SetUp() override {
        MonitorPanelTest::SetUp();
        panel_ = MakePanel<CMidiCanvasPanel>();
    }
    int LitRows(int channel) {
        return Count(49, MeterX(channel), 280, MeterX(channel) + 16, kMeterBottom) / 14;
    }
    // The row of the channel's peak marker, -1 when there is none.
    int PeakRow(int channel) {
        for (int y = 280; y < kMeterBottom; ++y)
            if (Count(52, MeterX(channel), y, MeterX(channel) + 14, y + 1) == 14)
                return y;
        return -1;
    }
    bool ShowsPanPicture(int channel, int picture) {
        SIZE size{};
        const BYTE* pixels = FindCustomBitmap("IDR_CUSTBMP_PANPOT", 1, &size, nullptr);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                if (At(MeterX(channel) + x, kMeterBottom + y) !=
                    pixels[y * size.cx + 16 * picture + x])
                    return false;
        return true;
    }
    CMidiCanvasPanel* panel_ = nullptr;
};

TEST_F(MidiCanvasPanelTest, LoudestNoteFillsSixtyRowsUnderItsPeak) {
    DrawFrame(panel_);
    EXPECT_EQ(LitRows(0), 0);
    EXPECT_EQ(PeakRow(0), kMeterBottom - 2);  // the empty meter's marker

    GetChannelMonitor().Apply(0x90, 60, 127);  // 127 x 127 / 256 = 63, shown as 60
    DrawFrame(panel_);
    EXPECT_EQ(LitRows(0), 30);  // every second row of 60
    EXPECT_EQ(At(MeterX(0), kMeterBottom - 60), 49);
    EXPECT_EQ(At(MeterX(0), kMeterBottom - 59), 0);
    EXPECT_EQ(PeakRow(0), kMeterBottom - 62);
    for (int channel = 1; channel < 16; ++channel)
        EXPECT_EQ(LitRows(channel), 0) << channel;
}

TEST_F(MidiCanvasPanelTest, MeterFallsAndPeakHoldsASecondAfterTheNoteEnds) {
    GetChannelMonitor().Apply(0x93, 60, 127);
    DrawFrame(panel_);
    GetChannelMonitor().Apply(0x83, 60, 0);
    DrawFrame(panel_);
    EXPECT_EQ(LitRows(3), 28);  // 60 - 60 / 16 = 57, shown as 56
    DrawFrames(panel_, 59);
    EXPECT_EQ(LitRows(3), 0);
    EXPECT_EQ(PeakRow(3), kMeterBottom - 62);  // held for 60 frames
    DrawFrame(panel_);
    EXPECT_EQ(PeakRow(3), kMeterBottom - 61);  // then falls a row each frame
    DrawFrame(panel_);
    EXPECT_EQ(PeakRow(3), kMeterBottom - 60);
}

TEST_F(MidiCanvasPanelTest, QuietChannelVolumeGivesALowerMeter) {
    GetChannelMonitor().Apply(0xB5, 7, 64);
    GetChannelMonitor().Apply(0x95, 60, 100);  // 100 x 64 / 256 = 25 -> 24 rows
    DrawFrame(panel_);
    EXPECT_EQ(LitRows(5), 12);
}

TEST_F(MidiCanvasPanelTest, PanPicturesByPan) {
    GetChannelMonitor().Apply(0xB0, 10, 0);
    GetChannelMonitor().Apply(0xB1, 10, 25);
    GetChannelMonitor().Apply(0xB2, 10, 26);
    GetChannelMonitor().Apply(0xB3, 10, 127);
    DrawFrame(panel_);
    EXPECT_TRUE(ShowsPanPicture(0, 0));
    EXPECT_TRUE(ShowsPanPicture(1, 0));
    EXPECT_TRUE(ShowsPanPicture(2, 1));
    EXPECT_TRUE(ShowsPanPicture(3, 4));
    EXPECT_TRUE(ShowsPanPicture(4, 2));  // the reset pan 64
    EXPECT_FALSE(ShowsPanPicture(4, 1));
}

TEST_F(MidiCanvasPanelTest, VolumeMarkerSitsOnTheBottomBlockWithoutASong) {
    // The highlight of a change lasts 201 frames; then the marker is plain.
    DrawFrames(panel_, 202);
    EXPECT_EQ(Count(2, 343, 352, 359, 355), 48);
    for (int block = 0; block < 15; ++block)
        EXPECT_EQ(Count(3, 343, 292 + 4 * block, 359, 295 + 4 * block), 48) << block;
}

TEST_F(MidiCanvasPanelTest, AfterARestoreTheCanvasLooksAsBefore) {
    GetChannelMonitor().Apply(0x90, 60, 127);
    GetChannelMonitor().Apply(0xB1, 10, 127);
    DrawFrames(panel_, 2);
    const std::vector<BYTE> before = pixels_;
    panel_->Restore();
    DrawFrame(panel_);
    EXPECT_EQ(pixels_, before);
    EXPECT_EQ(LitRows(0), 30);
    EXPECT_TRUE(ShowsPanPicture(1, 4));
}

}  // namespace
