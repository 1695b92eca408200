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

constexpr LONG kSide = 120;  // the pictures' size, and the largest draw

// A copy from one of the pictures, or a fill when `image` is -1.
struct Draw {
    int image;
    LONG x, y;
    RECT from;
    bool keyed;
    BYTE fill;
};

class FrameRecordingTest : public DirectDrawFixture {
protected:
    LONG Below(LONG bound) { return static_cast<LONG>(random_() % bound); }

    // Random indices over a random part of the surface.
    void Scribble(IDirectDrawSurface* surface, LONG width, LONG height) {
        const LONG left = Below(width), top = Below(height);
        RECT area{left, top, left + 1 + Below(width - left), top + 1 + Below(height - top)};
        DDSURFACEDESC desc{};
        ASSERT_EQ(surface->Lock(&area, &desc, DDLOCK_WAIT, nullptr), DD_OK);
        for (LONG row = 0; row < area.bottom - area.top; ++row)
            for (LONG column = 0; column < area.right - area.left; ++column)
                static_cast<BYTE*>(desc.lpSurface)[row * desc.lPitch + column] =
                    static_cast<BYTE>(random_());
        surface->Unlock(nullptr);
    }

    Draw RandomDraw() {
        const LONG width = 1 + Below(kSide), height = 1 + Below(kSide);
        const LONG left = Below(kSide - width + 1), top = Below(kSide - height + 1);
        return {static_cast<int>(Below(4)) - 1,
                Below(640 - width + 1),
                Below(480 - height + 1),
                RECT{left, top, left + width, top + height},
                Below(3) == 0,
                static_cast<BYTE>(random_())};
    }

    void Run(IDirectDrawSurface* target, const Draw& draw) {
        RECT from = draw.from;
        if (draw.image < 0) {
            RECT area{draw.x, draw.y, draw.x + from.right - from.left,
                      draw.y + from.bottom - from.top};
            EXPECT_EQ(Fill(target, &area, draw.fill), DD_OK);
            return;
        }
        EXPECT_EQ(target->BltFast(draw.x, draw.y, images_[draw.image], &from,
                                  draw.keyed ? DDBLTFAST_SRCCOLORKEY : DDBLTFAST_NOCOLORKEY),
                  DD_OK);
    }

    static std::vector<BYTE> Pixels(IDirectDrawSurface* surface) {
        DDSURFACEDESC desc{};
        EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
        std::vector<BYTE> pixels(640 * 480);
        for (int row = 0; row < 480; ++row)
            std::memcpy(&pixels[row * 640], static_cast<BYTE*>(desc.lpSurface) + row * desc.lPitch,
                        640);
        surface->Unlock(nullptr);
        return pixels;
    }

    std::mt19937 random_{20261210};
    IDirectDrawSurface* images_[3] = {};
};

TEST_F(FrameRecordingTest, EveryFlippedFrameIsTheOneDrawingAtOnceGives) {
    IDirectDrawSurface* primary = MakeFlipChain();
    DDSCAPS caps{DDSCAPS_BACKBUFFER};
    IDirectDrawSurface* back = nullptr;
    ASSERT_EQ(primary->GetAttachedSurface(&caps, &back), DD_OK);
    // Drawn at once, in turns as the flip chain's two buffers are.
    IDirectDrawSurface* direct[2] = {MakeSurface(640, 480), MakeSurface(640, 480)};
    IDirectDrawSurface* backdrop = MakeSurface(640, 480);
    Scribble(backdrop, 640, 480);
    DDCOLORKEY key{2, 40};
    for (IDirectDrawSurface*& image : images_) {
        image = MakeSurface(kSide, kSide);
        image->SetColorKey(DDCKEY_SRCBLT, &key);
        Scribble(image, kSide, kSide);
    }
    // A strip whose every column differs from its neighbours.
    IDirectDrawSurface* strip_image = MakeSurface(32, 6);
    DDSURFACEDESC strip_desc{};
    ASSERT_EQ(strip_image->Lock(nullptr, &strip_desc, DDLOCK_WAIT, nullptr), DD_OK);
    for (LONG row = 0; row < 6; ++row)
        for (LONG column = 0; column < 32; ++column)
            static_cast<BYTE*>(strip_desc.lpSurface)[row * strip_desc.lPitch + column] =
                static_cast<BYTE>(100 + column);
    strip_image->Unlock(nullptr);
    // A screen's draws: most repeat from frame to frame, a few move.
    std::vector<Draw> draws(150);
    for (Draw& draw : draws)
        draw = RandomDraw();

    for (int frame = 0; frame < 300; ++frame) {
        SCOPED_TRACE(frame);
        for (LONG moved = Below(4); moved > 0; --moved)
            draws[Below(draws.size())] = RandomDraw();
        if (Below(3) == 0)  // a draw in its place starts or stops keying
            draws[Below(draws.size())].keyed ^= true;
        if (Below(4) == 0)  // a draw comes or goes
            draws.insert(draws.begin() + Below(draws.size()), RandomDraw());
        if (Below(4) == 0)
            draws.erase(draws.begin() + Below(draws.size()));
        if (Below(5) == 0)
            Scribble(images_[Below(3)], kSide, kSide);
        if (Below(25) == 0)  // every picture changes: more changed draws than a walk takes
            for (IDirectDrawSurface* image : images_)
                Scribble(image, kSide, kSide);
        if (Below(40) == 0)
            Scribble(backdrop, 640, 480);
        // Now and then a frame leaves pixels of the one before; a picture
        // changes while the frame reads it; or the back buffer is locked.
        const bool covers = Below(20) != 0;
        const std::size_t change_at = Below(30) == 0 ? Below(draws.size()) : draws.size();
        const std::size_t lock_at = Below(30) == 0 ? Below(draws.size()) : draws.size();
        IDirectDrawSurface* twin = direct[frame % 2];

        platform::BeginFrameRecording(back);
        for (IDirectDrawSurface* target : {back, twin}) {
            if (covers) {
                EXPECT_EQ(target->BltFast(0, 0, backdrop, nullptr, DDBLTFAST_WAIT), DD_OK);
            }
        }
        for (std::size_t i = 0; i < draws.size(); ++i) {
            if (i == change_at)
                Scribble(images_[i % 3], kSide, kSide);
            if (i == lock_at)
                Pixels(back);
            Run(back, draws[i]);
            Run(twin, draws[i]);
        }
        // A strip scrolling by as the track panel's waves do: its columns
        // from `scroll` on, then the ones before it behind them.
        const LONG scroll = frame % 32;
        for (IDirectDrawSurface* target : {back, twin}) {
            RECT columns{scroll, 0, 32, 6};
            EXPECT_EQ(target->BltFast(200, 300, strip_image, &columns, DDBLTFAST_WAIT), DD_OK);
            if (scroll > 0) {
                columns = RECT{0, 0, scroll, 6};
                EXPECT_EQ(target->BltFast(232 - scroll, 300, strip_image, &columns, DDBLTFAST_WAIT),
                          DD_OK);
            }
        }
        platform::EndFrameRecording();
        ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
        ASSERT_EQ(platform::GetVisibleFrame().pixels, Pixels(twin));
    }
    back->Release();
}

}  // namespace
