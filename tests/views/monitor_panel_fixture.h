// Shared by the monitor panels' tests: a headless display with the fonts,
// a cleared channel monitor, a 640 x 480 screen surface that a panel draws a
// frame onto, and pixel and text checks on the drawn frame.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "gfx/panel.h"
#include "gfx/panel_list.h"
#include "gfx/segment_font.h"
#include "gfx/text.h"
#include "midi/channel_monitor.h"
#include "tests/gfx/gfx_test_support.h"

class MonitorPanelTest : public GfxTest {
protected:
    void SetUp() override {
        GfxTest::SetUp();
        InitText();
        InitSegmentFont();
        DestroyAll();
        GetChannelMonitor().Reset();
        screen_ = MakeSurface(640, 480);
    }
    void TearDown() override {
        DestroyAll();
        GetChannelMonitor().Reset();
    }

    // A panel of type P, created; the panel list owns it.
    template <typename P>
    P* MakePanel() {
        P* panel = new P;
        EXPECT_EQ(panel->Create(), 1);
        return panel;
    }

    // One frame of the panel on a cleared screen, then its pixels.
    const std::vector<BYTE>& DrawFrame(CPanel* panel) {
        screen_.Fill(nullptr, 0);
        panel->Draw(&screen_);
        pixels_ = ReadPixels(screen_);
        return pixels_;
    }
    void DrawFrames(CPanel* panel, int frames) {
        for (int i = 0; i < frames; ++i)
            DrawFrame(panel);
    }

    // Of the last frame drawn.
    BYTE At(int x, int y) const { return pixels_[static_cast<size_t>(y) * 640 + x]; }
    int Count(BYTE index, int left, int top, int right, int bottom) const {
        int count = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                count += At(x, y) == index;
        return count;
    }

    // Whether the last frame shows text at (x, y) as the font draws it in
    // band `colour`: every pixel of its glyphs in place, and no pixel of the
    // band's index elsewhere in its cells.
    bool ShowsText(int x, int y, const std::string& text, bool font_b, int colour) {
        CSurface expected = MakeSurface(640, 480);
        if (font_b)
            DrawTextFontB(&expected, x, y, text.c_str(), 1, colour);
        else
            DrawTextFontA(&expected, x, y, text.c_str(), 1, colour);
        const std::vector<BYTE> glyphs = ReadPixels(expected);
        const int width =
            static_cast<int>(text.size()) * (font_b ? kFontBCellWidth : kFontACellWidth);
        const int height = font_b ? kFontBCellHeight : kFontACellHeight;
        const BYTE band = kTextBandIndex[colour];
        for (int row = y; row < y + height; ++row) {
            for (int col = x; col < x + width; ++col) {
                const BYTE want = glyphs[static_cast<size_t>(row) * 640 + col];
                if (want != 0 ? At(col, row) != want : At(col, row) == band)
                    return false;
            }
        }
        return true;
    }

    CSurface screen_;
    std::vector<BYTE> pixels_;
};
