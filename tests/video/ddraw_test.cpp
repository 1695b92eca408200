// The software DirectDraw device: what the program relies on when it blits,
// fills, locks, flips and restores.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/ddraw.h"
#include "tests/video/direct_draw_fixture.h"

namespace {

class DirectDrawTest : public DirectDrawFixture {
protected:
    static int Count(IDirectDrawSurface* surface, BYTE value) {
        DDSURFACEDESC desc{};
        surface->GetSurfaceDesc(&desc);
        int count = 0;
        for (DWORD y = 0; y < desc.dwHeight; ++y)
            for (DWORD x = 0; x < desc.dwWidth; ++x)
                count += PixelAt(surface, x, y) == value;
        return count;
    }
};

TEST(DirectDrawCreateTest, OldDriverOffersNoVersionTwo) {
    platform::SetDirectDraw2Available(false);
    IDirectDraw* device = nullptr;
    ASSERT_EQ(DirectDrawCreate(nullptr, &device, nullptr), DD_OK);
    void* version2 = reinterpret_cast<void*>(1);
    EXPECT_EQ(device->QueryInterface(IID_IDirectDraw2, &version2), E_NOINTERFACE);
    EXPECT_EQ(version2, nullptr);
    device->Release();
    platform::SetDirectDraw2Available(true);
}

TEST_F(DirectDrawTest, NewSurfaceIsClearAndRowsArePadded) {
    IDirectDrawSurface* surface = MakeSurface(200, 100);
    DDSURFACEDESC desc{};
    ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    EXPECT_EQ(desc.dwWidth, 200u);
    EXPECT_EQ(desc.dwHeight, 100u);
    EXPECT_GE(desc.lPitch, 200);
    const BYTE* bits = static_cast<BYTE*>(desc.lpSurface);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            ASSERT_EQ(bits[y * desc.lPitch + x], 0);
    EXPECT_EQ(surface->Unlock(nullptr), DD_OK);
    EXPECT_EQ(surface->Unlock(nullptr), DDERR_NOTLOCKED);

    // A locked rectangle starts at its own corner, rows a pitch apart.
    RECT area{10, 20, 30, 40};
    ASSERT_EQ(surface->Lock(&area, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    static_cast<BYTE*>(desc.lpSurface)[0] = 7;
    static_cast<BYTE*>(desc.lpSurface)[desc.lPitch + 1] = 8;
    surface->Unlock(nullptr);
    EXPECT_EQ(PixelAt(surface, 10, 20), 7);
    EXPECT_EQ(PixelAt(surface, 11, 21), 8);
    RECT outside{190, 90, 201, 100};
    EXPECT_EQ(surface->Lock(&outside, &desc, DDLOCK_WAIT, nullptr), DDERR_INVALIDRECT);
}

TEST_F(DirectDrawTest, ColourFillWritesTheLowByteInsideItsRectangle) {
    IDirectDrawSurface* surface = MakeSurface(16, 8);
    RECT rect{2, 1, 5, 3};
    EXPECT_EQ(Fill(surface, &rect, 0x1F5), DD_OK);
    EXPECT_EQ(Count(surface, 0xF5), 6);
    EXPECT_EQ(PixelAt(surface, 2, 1), 0xF5);
    EXPECT_EQ(PixelAt(surface, 5, 1), 0);
    EXPECT_EQ(PixelAt(surface, 2, 3), 0);
    EXPECT_EQ(Fill(surface, nullptr, 3), DD_OK);
    EXPECT_EQ(Count(surface, 3), 16 * 8);

    RECT too_wide{0, 0, 17, 8};
    RECT negative{-1, 0, 4, 4};
    RECT empty{4, 4, 4, 6};
    EXPECT_EQ(Fill(surface, &too_wide, 9), DDERR_INVALIDRECT);
    EXPECT_EQ(Fill(surface, &negative, 9), DDERR_INVALIDRECT);
    EXPECT_EQ(Fill(surface, &empty, 9), DDERR_INVALIDRECT);
    EXPECT_EQ(Count(surface, 9), 0);
}

TEST_F(DirectDrawTest, BltFastLeavingEitherSurfaceIsRefusedAndDrawsNothing) {
    IDirectDrawSurface* target = MakeSurface(20, 10);
    IDirectDrawSurface* glyph = MakeSurface(5, 7);
    Fill(glyph, nullptr, 4);
    RECT cell{0, 0, 5, 6};
    EXPECT_EQ(target->BltFast(15, 4, glyph, &cell, DDBLTFAST_WAIT),
              DD_OK);  // ends exactly on both edges
    EXPECT_EQ(Count(target, 4), 30);
    Fill(target, nullptr, 0);

    EXPECT_EQ(target->BltFast(16, 0, glyph, &cell, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
    EXPECT_EQ(target->BltFast(0, 5, glyph, &cell, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
    EXPECT_EQ(target->BltFast(static_cast<DWORD>(-1), 0, glyph, &cell, DDBLTFAST_WAIT),
              DDERR_INVALIDRECT);
    RECT past_source{1, 0, 6, 6};
    EXPECT_EQ(target->BltFast(0, 0, glyph, &past_source, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
    EXPECT_EQ(target->BltFast(0, 0, nullptr, &cell, DDBLTFAST_WAIT), DDERR_INVALIDPARAMS);
    EXPECT_EQ(Count(target, 4), 0);
}

TEST_F(DirectDrawTest, SourceColourKeyLeavesKeyedIndicesUntouched) {
    IDirectDrawSurface* target = MakeSurface(4, 1);
    IDirectDrawSurface* source = MakeSurface(4, 1);
    Fill(target, nullptr, 9);
    RECT one{1, 0, 2, 1}, two{2, 0, 3, 1}, three{3, 0, 4, 1};
    Fill(source, &one, 1);
    Fill(source, &two, 2);
    Fill(source, &three, 3);

    EXPECT_EQ(target->BltFast(0, 0, source, nullptr, DDBLTFAST_SRCCOLORKEY), DDERR_NOCOLORKEY);
    DDCOLORKEY key{0, 1};  // indices 0 and 1 are transparent
    ASSERT_EQ(source->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    ASSERT_EQ(target->BltFast(0, 0, source, nullptr, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT),
              DD_OK);
    EXPECT_EQ(PixelAt(target, 0, 0), 9);
    EXPECT_EQ(PixelAt(target, 1, 0), 9);
    EXPECT_EQ(PixelAt(target, 2, 0), 2);
    EXPECT_EQ(PixelAt(target, 3, 0), 3);

    // Without the flag the key is ignored: a plain byte copy.
    ASSERT_EQ(target->BltFast(0, 0, source, nullptr, DDBLTFAST_NOCOLORKEY), DD_OK);
    EXPECT_EQ(PixelAt(target, 0, 0), 0);
    EXPECT_EQ(PixelAt(target, 1, 0), 1);
}

TEST_F(DirectDrawTest, OverlappingCopyWithinOneSurfaceReadsTheOriginal) {
    IDirectDrawSurface* surface = MakeSurface(8, 1);
    for (int x = 0; x < 8; ++x) {
        RECT pixel{x, 0, x + 1, 1};
        Fill(surface, &pixel, x + 1);
    }
    RECT first_six{0, 0, 6, 1};
    ASSERT_EQ(surface->BltFast(2, 0, surface, &first_six, 0), DD_OK);
    const BYTE expected[8] = {1, 2, 1, 2, 3, 4, 5, 6};
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(PixelAt(surface, x, 0), expected[x]) << x;
}

TEST_F(DirectDrawTest, LostSurfacesRefuseWorkUntilRestored) {
    IDirectDrawSurface* surface = MakeSurface(8, 8);
    IDirectDrawSurface* other = MakeSurface(8, 8);
    Fill(surface, nullptr, 6);
    platform::LoseAllSurfaces();
    DDSURFACEDESC desc{};
    HDC dc = nullptr;
    EXPECT_EQ(surface->IsLost(), DDERR_SURFACELOST);
    EXPECT_EQ(Fill(surface, nullptr, 1), DDERR_SURFACELOST);
    EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DDERR_SURFACELOST);
    EXPECT_EQ(surface->GetDC(&dc), DDERR_SURFACELOST);
    EXPECT_EQ(other->Restore(), DD_OK);
    EXPECT_EQ(other->BltFast(0, 0, surface, nullptr, 0),
              DDERR_SURFACELOST);  // a lost source fails too

    EXPECT_EQ(surface->Restore(), DD_OK);
    EXPECT_EQ(surface->IsLost(), DD_OK);
    EXPECT_EQ(Count(surface, 0), 64);  // the memory came back empty; the owner redraws
    EXPECT_EQ(other->BltFast(0, 0, surface, nullptr, 0), DD_OK);
}

TEST_F(DirectDrawTest, FlipShowsTheBackBufferWithTheAttachedPalette) {
    IDirectDrawSurface* primary = MakeFlipChain();
    ASSERT_NE(primary, nullptr);
    DDSURFACEDESC read_back{};
    ASSERT_EQ(primary->GetSurfaceDesc(&read_back), DD_OK);
    EXPECT_EQ(read_back.dwWidth, 640u);
    EXPECT_EQ(read_back.dwHeight, 480u);

    DDSCAPS caps{DDSCAPS_BACKBUFFER};
    IDirectDrawSurface* back = nullptr;
    ASSERT_EQ(primary->GetAttachedSurface(&caps, &back), DD_OK);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Flip(nullptr, DDFLIP_WAIT), DDERR_NOTFLIPPABLE);

    PALETTEENTRY entries[256] = {};
    IDirectDrawPalette* palette = nullptr;
    ASSERT_EQ(device2_->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries, &palette, nullptr),
              DD_OK);
    ASSERT_EQ(primary->SetPalette(palette), DD_OK);
    entries[7] = {10, 20, 30, 0};
    ASSERT_EQ(palette->SetEntries(0, 0, 256, entries), DD_OK);
    EXPECT_EQ(platform::GetDisplayPalette()[7].peBlue, 30);
    EXPECT_EQ(palette->SetEntries(0, 250, 7, entries), DDERR_INVALIDPARAMS);

    const std::uint64_t flips_before = platform::GetVisibleFrame().flip_count;
    RECT corner{0, 0, 2, 2};
    Fill(back, nullptr, 7);
    Fill(back, &corner, 3);
    ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    const platform::VisibleFrame frame = platform::GetVisibleFrame();
    EXPECT_EQ(frame.flip_count, flips_before + 1);
    ASSERT_EQ(frame.width_px, 640);
    ASSERT_EQ(frame.height_px, 480);
    EXPECT_EQ(frame.pixels[0], 3);
    EXPECT_EQ(frame.pixels[641], 3);
    EXPECT_EQ(frame.pixels[2], 7);
    EXPECT_EQ(frame.pixels[479 * 640 + 639], 7);
    EXPECT_EQ(frame.palette[7].peRed, 10);
    // The old front buffer is now the back buffer.
    EXPECT_EQ(PixelAt(back, 5, 5), 0);

    // A palette that is not on the primary surface does not reach the display.
    IDirectDrawPalette* loose = nullptr;
    ASSERT_EQ(device2_->CreatePalette(DDPCAPS_8BIT, entries, &loose, nullptr), DD_OK);
    entries[7] = {99, 99, 99, 0};
    loose->SetEntries(0, 0, 256, entries);
    EXPECT_EQ(platform::GetDisplayPalette()[7].peRed, 10);

    // The display keeps the flipped picture while the next frame is drawn,
    // and a picture drawn on the front itself, after the front goes too.
    Fill(back, nullptr, 9);
    ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    Fill(back, nullptr, 4);
    EXPECT_EQ(platform::GetVisibleFrame().pixels[5], 9);
    Fill(primary, &corner, 6);
    back->Release();
    primary->Release();
    const platform::VisibleFrame kept = platform::GetVisibleFrame();
    EXPECT_EQ(kept.pixels[0], 6);
    EXPECT_EQ(kept.pixels[5], 9);
}

}  // namespace
