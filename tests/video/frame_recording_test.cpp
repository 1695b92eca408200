// Frames kept as they are drawn and drawn onto the back buffer only where
// they change: whatever the frames draw, and whatever changes between and
// during them, each flipped picture is the one drawing at once would give.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "platform/ddraw.h"
#include "tests/video/direct_draw_fixture.h"

namespace {

constexpr int kWidth = 640, kHeight = 480;

// One draw of a frame: a copy from a picture, or a fill.
struct Draw {
    int image = 0;  // -1: a fill
    int x = 0, y = 0;
    RECT from{};
    bool keyed = false;
    BYTE fill = 0;
};

class FrameRecordingTest : public DirectDrawFixture {
protected:
    std::vector<BYTE> Pixels(IDirectDrawSurface* surface) {
        DDSURFACEDESC desc{};
        EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
        std::vector<BYTE> pixels(static_cast<std::size_t>(kWidth) * kHeight);
        for (int row = 0; row < kHeight; ++row)
            std::memcpy(&pixels[static_cast<std::size_t>(row) * kWidth],
                        static_cast<BYTE*>(desc.lpSurface) + row * desc.lPitch, kWidth);
        surface->Unlock(nullptr);
        return pixels;
    }

    // Writes random indices over a random part of the surface.
    void Scribble(IDirectDrawSurface* surface) {
        DDSURFACEDESC desc{};
        surface->GetSurfaceDesc(&desc);
        const LONG left = Below(desc.dwWidth), top = Below(desc.dwHeight);
        RECT area{left, top, left + 1 + Below(desc.dwWidth - left),
                  top + 1 + Below(desc.dwHeight - top)};
        ASSERT_EQ(surface->Lock(&area, &desc, DDLOCK_WAIT, nullptr), DD_OK);
        for (LONG row = 0; row < area.bottom - area.top; ++row)
            for (LONG column = 0; column < area.right - area.left; ++column)
                static_cast<BYTE*>(desc.lpSurface)[row * desc.lPitch + column] =
                    static_cast<BYTE>(random_());
        surface->Unlock(nullptr);
    }

    Draw RandomDraw() {
        Draw draw;
        draw.image = static_cast<int>(Below(kImages + 1)) - 1;
        const LONG width = draw.image < 0 ? 1 + Below(200) : 1 + Below(kImageSide);
        const LONG height = draw.image < 0 ? 1 + Below(150) : 1 + Below(kImageSide);
        draw.x = Below(kWidth - width + 1);
        draw.y = Below(kHeight - height + 1);
        const LONG left = draw.image < 0 ? 0 : Below(kImageSide - width + 1);
        const LONG top = draw.image < 0 ? 0 : Below(kImageSide - height + 1);
        draw.from = {left, top, left + width, top + height};
        draw.keyed = Below(3) == 0;
        draw.fill = static_cast<BYTE>(random_());
        return draw;
    }

    void Run(IDirectDrawSurface* target, const Draw& draw) {
        if (draw.image < 0) {
            RECT area{draw.x, draw.y, draw.x + (draw.from.right - draw.from.left),
                      draw.y + (draw.from.bottom - draw.from.top)};
            EXPECT_EQ(Fill(target, &area, draw.fill), DD_OK);
            return;
        }
        RECT from = draw.from;
        EXPECT_EQ(target->BltFast(draw.x, draw.y, images_[draw.image], &from,
                                  draw.keyed ? DDBLTFAST_SRCCOLORKEY : DDBLTFAST_NOCOLORKEY),
                  DD_OK);
    }

    LONG Below(DWORD bound) { return static_cast<LONG>(random_() % bound); }

    static constexpr int kImages = 3;
    static constexpr LONG kImageSide = 120;
    std::mt19937 random_{20261210};
    IDirectDrawSurface* images_[kImages] = {};
};

TEST_F(FrameRecordingTest, EveryFlippedFrameIsTheOneDrawingAtOnceGives) {
    IDirectDrawSurface* primary = MakeFlipChain();
    ASSERT_NE(primary, nullptr);
    DDSCAPS caps{DDSCAPS_BACKBUFFER};
    IDirectDrawSurface* back = nullptr;
    ASSERT_EQ(primary->GetAttachedSurface(&caps, &back), DD_OK);
    // Drawn at once, in turns as the flip chain's two buffers are.
    IDirectDrawSurface* direct[2] = {MakeSurface(kWidth, kHeight), MakeSurface(kWidth, kHeight)};
    IDirectDrawSurface* backdrop = MakeSurface(kWidth, kHeight);
    Scribble(backdrop);
    DDCOLORKEY key{2, 40};
    for (IDirectDrawSurface*& image : images_) {
        image = MakeSurface(kImageSide, kImageSide);
        image->SetColorKey(DDCKEY_SRCBLT, &key);
        Scribble(image);
    }
    // A screen's draws: most repeat from frame to frame, a few move.
    std::vector<Draw> draws(60);
    for (Draw& draw : draws)
        draw = RandomDraw();

    for (int frame = 0; frame < 300; ++frame) {
        SCOPED_TRACE(frame);
        for (int moved = static_cast<int>(Below(4)); moved > 0; --moved)
            draws[Below(draws.size())] = RandomDraw();
        if (Below(5) == 0)
            Scribble(images_[Below(kImages)]);
        if (Below(40) == 0)
            Scribble(backdrop);
        // Now and then a frame leaves pixels of the one before; a picture
        // changes while the frame reads it; the back buffer is drawn on
        // directly; or a draw is refused.
        const bool covers = Below(20) != 0;
        const std::size_t change_at = Below(30) == 0 ? Below(draws.size()) : draws.size();
        const bool locks_target = Below(30) == 0;
        IDirectDrawSurface* twin = direct[frame % 2];

        platform::BeginFrameRecording(back);
        for (IDirectDrawSurface* target : {back, twin}) {
            if (covers) {
                EXPECT_EQ(target->BltFast(0, 0, backdrop, nullptr, DDBLTFAST_WAIT), DD_OK);
            }
        }
        for (std::size_t i = 0; i < draws.size(); ++i) {
            if (i == change_at)
                Scribble(images_[draws[i].image < 0 ? 0 : draws[i].image]);
            Run(back, draws[i]);
            Run(twin, draws[i]);
            if (locks_target && i == draws.size() / 2) {
                RECT corner{0, 0, 4, 4};
                for (IDirectDrawSurface* target : {back, twin})
                    EXPECT_EQ(Fill(target, &corner, 77), DD_OK);
                DDSURFACEDESC desc{};
                ASSERT_EQ(back->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
                back->Unlock(nullptr);
            }
        }
        RECT outside{kWidth - 2, 0, kWidth + 2, 4};
        EXPECT_EQ(back->BltFast(kWidth - 2, 0, images_[0], &outside, 0), DDERR_INVALIDRECT);
        platform::EndFrameRecording();
        ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
        ASSERT_EQ(platform::GetVisibleFrame().pixels, Pixels(twin));
    }
    back->Release();
}

}  // namespace
