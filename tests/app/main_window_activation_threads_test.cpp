// Switching away from the program and back: frames stop, the cursor shows,
// and on return the lost surfaces are restored and redrawn before frames
// resume.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/main_window.h"
#include "display/display.h"
#include "display/frame_thread.h"
#include "gfx/panel_list.h"
#include "gfx/text.h"
#include "platform/ddraw.h"

namespace {

constexpr BYTE kRuleIndex = 5;
constexpr int kRuleRow = 14;

// The cursor's display count, left as it was.
int CursorCount() {
    ShowCursor(TRUE);
    return ShowCursor(FALSE);
}

int RulePixels(const platform::VisibleFrame& frame) {
    if (frame.width_px != 640 || frame.height_px != 480)
        return -1;
    int count = 0;
    for (int x = 0; x < 640; ++x)
        count += frame.pixels[kRuleRow * 640 + x] == kRuleIndex;
    return count;
}

bool WaitForAFrame() {
    for (int attempt = 0; attempt < 10; ++attempt)
        if (WaitFrame())
            return true;
    return false;
}

class MainWindowActivationTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("NIVRA_VIDEO", "headless", 1);
        static const bool display_ready =
            GetDisplay().Create(2) && GetDisplay().SetDisplayMode(640, 480, 8, 0) == DD_OK;
        ASSERT_TRUE(display_ready);
        DestroyAll();
        // The flip chain and the canvas as the main window builds them.
        ASSERT_EQ(window_.GetPrimary().Create(
                      DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX, nullptr),
                  1);
        const SIZE screen{640, 480};
        ASSERT_EQ(window_.GetCanvas().Create(0, &screen), 1);
        InitText();
        window_.DrawTitle();
        AttachSurfaces(window_.GetPrimary().surface, window_.GetCanvas().surface);
        ASSERT_TRUE(StartFrameThread());
        ASSERT_TRUE(WaitForAFrame());
    }
    void TearDown() override { StopFrameThread(); }

    CMainWindow window_;
};

TEST_F(MainWindowActivationTest, SwitchingAwayStopsFramesAndBackRestoresTheScreen) {
    const int cursor = CursorCount();
    ASSERT_EQ(RulePixels(platform::GetVisibleFrame()), 637);

    EXPECT_EQ(window_.OnActivateApp(0), 1);
    EXPECT_FALSE(CMainWindow::IsApplicationActive());
    EXPECT_FALSE(WaitFrame());  // no frames while away
    EXPECT_EQ(CursorCount(), cursor + 1);
    // Being told again changes nothing: still one suspension.
    EXPECT_EQ(window_.OnActivateApp(0), 1);
    EXPECT_EQ(CursorCount(), cursor + 1);

    // Away from the screen the surfaces lose their memory.
    platform::LoseAllSurfaces();
    EXPECT_FALSE(window_.GetCanvas().Lock());

    EXPECT_EQ(window_.OnActivateApp(1), 1);
    EXPECT_TRUE(CMainWindow::IsApplicationActive());
    EXPECT_EQ(CursorCount(), cursor);
    ASSERT_TRUE(WaitForAFrame());
    ASSERT_TRUE(WaitForAFrame());
    // The title was drawn again and reaches the screen through the restored
    // flip chain.
    EXPECT_EQ(RulePixels(platform::GetVisibleFrame()), 637);
    ASSERT_TRUE(window_.GetCanvas().Lock());
    int canvas_rule = 0;
    for (int x = 0; x < 640; ++x)
        canvas_rule +=
            window_.GetCanvas().bits[kRuleRow * window_.GetCanvas().pitch + x] == kRuleIndex;
    window_.GetCanvas().Unlock();
    EXPECT_EQ(canvas_rule, 637);
    // One resume undid the one suspension.
    EXPECT_EQ(ResumeFrames(), 0);
}

TEST_F(MainWindowActivationTest, ActivationIsIgnoredWhileFramesAreStopped) {
    StopFrameThread();
    const int cursor = CursorCount();
    EXPECT_EQ(window_.OnActivateApp(0), 1);
    EXPECT_TRUE(CMainWindow::IsApplicationActive());
    EXPECT_EQ(CursorCount(), cursor);
    EXPECT_EQ(SuspendFrames(false), 1);  // nothing was suspended before
    EXPECT_EQ(ResumeFrames(), 0);
}

}  // namespace
