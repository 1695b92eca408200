#include "panels/system_status_panel.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

#include "system/sysinfo.h"
#include "display/palette.h"
#include "gfx/segment_font.h"
#include "tests/views/monitor_panel_fixture.h"

namespace {

// The panel at (350, 20): device name at (385, 133), processor line at
// (385, 143), the play-time read-out at (530, 20), the wheel around (370, 50).
class SystemStatusPanelTest : public MonitorPanelTest {
protected:
    void SetUp() override {
        MonitorPanelTest::SetUp();
        saved_ = GetSysInfo();
        panel_ = MakePanel<CSystemStatusPanel>();
    }
    void TearDown() override {
        GetSysInfo() = saved_;
        MonitorPanelTest::TearDown();
    }
    void SetProcessor(const char* vendor, int family, int model, int stepping) {
        SysInfo& info = GetSysInfo();
        std::strncpy(info.cpuVendor, vendor, sizeof info.cpuVendor - 1);
        info.cpuFamily = family;
        info.cpuModel = model;
        info.cpuStepping = stepping;
    }
    CSystemStatusPanel* panel_ = nullptr;
    SysInfo saved_{};
};

TEST_F(SystemStatusPanelTest, WithoutASongEverythingReadsStopped) {
    DrawFrames(panel_, 2);  // the status words reach the screen a frame late
    EXPECT_TRUE(ShowsText(385, 133, "(DEVICE READY)", true, 0));
    EXPECT_TRUE(ShowsText(350, 120, "PLAY", true, 2));
    EXPECT_TRUE(ShowsText(450, 120, "STOP", true, 0));
    EXPECT_TRUE(ShowsText(400, 120, "PAUSE", true, 2));
    EXPECT_TRUE(ShowsText(500, 120, "REPEAT", true, 2));
    EXPECT_TRUE(ShowsText(465, 34, "--:--:--", false, 1));

    CSurface expected = MakeSurface(640, 480);
    DrawSegmentText(&expected, 530, 20, "00:00:00");
    const std::vector<BYTE> digits = ReadPixels(expected);
    int segment_pixels = 0;
    for (int y = 20; y < 40; ++y) {
        for (int x = 530; x < 634; ++x) {
            ASSERT_EQ(At(x, y), digits[static_cast<size_t>(y) * 640 + x]) << x << "," << y;
            segment_pixels += digits[static_cast<size_t>(y) * 640 + x] != 0;
        }
    }
    EXPECT_GT(segment_pixels, 8 * 50);
}

// Each read-out fills the 20 rows of its marker block and label: panel rows
// 0, 23, 46 and 69, screen rows 20, 43, 66 and 89; nothing of them lies
// between the rows or below them, above the status words (screen row 120).
TEST_F(SystemStatusPanelTest, EachReadOutSitsBesideItsMarkerAndLabel) {
    DrawFrame(panel_);
    const int rows[4] = {20, 43, 66, 89};
    std::vector<int> lit_per_row(480, 0);
    for (int y = 0; y < 480; ++y)
        for (int x = 530; x < 640; ++x)
            lit_per_row[y] += At(x, y) != 0;
    for (int y = 0; y < 120; ++y) {
        const bool in_a_readout = std::any_of(std::begin(rows), std::end(rows), [y](int top) {
            return y >= top && y < top + kSegmentCellHeight;
        });
        if (!in_a_readout) {
            EXPECT_EQ(lit_per_row[y], 0) << "row " << y;
        }
    }
    for (int top : rows) {
        EXPECT_EQ(At(450, top), 5) << top;
        EXPECT_EQ(At(454, top + kSegmentCellHeight - 1), 5) << top;
        EXPECT_EQ(At(450, top + kSegmentCellHeight), 0) << top;
        int lit = 0;
        for (int y = top; y < top + kSegmentCellHeight; ++y)
            lit += lit_per_row[y];
        EXPECT_GT(lit, 8 * 20) << top;
    }
}

TEST_F(SystemStatusPanelTest, ProcessorLineFromTheStartUpRecord) {
    SetProcessor("GenuineIntel", 6, 8, 3);
    panel_->Notify(NOTIFY_PLAY_RESTART);
    DrawFrame(panel_);
    EXPECT_TRUE(ShowsText(385, 143, "GENUINEINTEL 6.08.03", true, 1));

    SetProcessor("(UNKNOWN)", 0, 0, 0);
    panel_->Notify(NOTIFY_PLAY_RESTART);
    DrawFrame(panel_);
    EXPECT_TRUE(ShowsText(385, 143, "(UNKNOWN) 0.00.00", true, 1));
}

TEST_F(SystemStatusPanelTest, StillWheelLinksOnePairOfSpokesToTheLitColour) {
    CPalette& palette = GetPalette();
    palette.SetEntry(96, 0x0000FF00);
    palette.SetEntry(97, 0x00400000);
    DrawFrames(panel_, 900);  // past the longest step, 800 frames without a tempo
    EXPECT_EQ(palette.GetEntry(98), 0x0000FF00u);
    for (int entry = 99; entry <= 103; ++entry)
        EXPECT_EQ(palette.GetEntry(entry), 0x00400000u) << entry;
    // The spokes are drawn in their six entries, opposite spokes in one.
    EXPECT_EQ(At(370, 63), 98);
    EXPECT_EQ(At(370, 37), 98);
    EXPECT_EQ(At(383, 50), 101);
    EXPECT_EQ(At(377, 50), 101) << "the 90-degree spoke starts at x 27, its sine just short of 1";
    for (int entry = 98; entry <= 103; ++entry)
        EXPECT_GE(Count(static_cast<BYTE>(entry), 351, 31, 390, 70), 16) << entry;
}

}  // namespace
