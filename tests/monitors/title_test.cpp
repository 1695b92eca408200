#include <gtest/gtest.h>

#include "app/main_window.h"
#include "system/sysinfo.h"
#include "gfx/custom_bitmap.h"
#include "tests/views/monitor_panel_fixture.h"

namespace {

class TitleTest : public MonitorPanelTest {
protected:
    void SetUp() override {
        MonitorPanelTest::SetUp();
        saved_ = GetSysInfo();
        const SIZE screen{640, 480};
        ASSERT_EQ(window_.GetCanvas().Create(0, &screen), 1);
    }
    void TearDown() override {
        GetSysInfo() = saved_;
        MonitorPanelTest::TearDown();
    }
    // Draws the title with these version numbers and keeps the canvas.
    void DrawWithVersion(std::uint16_t major, std::uint16_t minor, std::uint16_t build) {
        GetSysInfo().versionMajor = major;
        GetSysInfo().versionMinor = minor;
        GetSysInfo().versionBuild = build;
        window_.DrawTitle();
        pixels_ = ReadPixels(window_.GetCanvas());
    }
    CMainWindow window_;
    SysInfo saved_{};
};

TEST_F(TitleTest, VersionLinePadsMinorAndBuildAndPrintsWideNumbersInFull) {
    DrawWithVersion(1, 5, 28);
    EXPECT_TRUE(ShowsText(62, 7, "v1.05(BUILD0028) - ", false, 0));
    DrawWithVersion(0, 0, 0);
    EXPECT_TRUE(ShowsText(62, 7, "v0.00(BUILD0000) - ", false, 0));
    DrawWithVersion(12, 345, 65535);
    EXPECT_TRUE(ShowsText(62, 7, "v12.345(BUILD65535) - ", false, 0));
}

TEST_F(TitleTest, StripHoldsLogoPlatformLineAndRule) {
    DrawWithVersion(0, 9, 1);
    EXPECT_TRUE(ShowsText(
        62, 1, "NEXT GENERATION  FOR WINDOWS NT/2000/XP/95/98/98SE/ME WIN32 PLATFORM", false, 2));
    SIZE size{};
    const BYTE* logo = FindCustomBitmap("IDR_CUSTBMP_TITLE", 1, &size, nullptr);
    ASSERT_NE(logo, nullptr);
    ASSERT_EQ(size.cx, 60);
    ASSERT_EQ(size.cy, 14);
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 60; ++x)
            ASSERT_EQ(At(2 + x, y), logo[y * 60 + x]) << x << "," << y;
    EXPECT_EQ(Count(5, 0, 14, 640, 15), 637);  // the rule from x 2 to 638
    // Below the banner lines the canvas is empty: the panels cover it.
    EXPECT_EQ(Count(0, 0, 36, 640, 480), 640 * (480 - 36));
}

TEST_F(TitleTest, DrawnAgainAfterTheCanvasWasLostItLooksTheSame) {
    DrawWithVersion(0, 9, 1);
    const std::vector<BYTE> first = pixels_;
    window_.GetCanvas().Fill(nullptr, 7);
    DrawWithVersion(0, 9, 1);
    EXPECT_EQ(pixels_, first);
}

}  // namespace
