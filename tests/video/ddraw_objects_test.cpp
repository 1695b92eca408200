// The objects the software device hands out: which interfaces they answer
// for, how their references are counted, and the checks Blt makes before it
// copies between surfaces.
#include <gtest/gtest.h>

#include <array>

#include "platform/ddraw.h"
#include "tests/video/direct_draw_fixture.h"

namespace {

class DirectDrawObjectsTest : public DirectDrawFixture {
protected:
    IDirectDrawPalette* MakePalette(BYTE red_of_entry_7) {
        std::array<PALETTEENTRY, 256> colours{};
        colours[7] = PALETTEENTRY{red_of_entry_7, 0, 0, 0};
        IDirectDrawPalette* palette = nullptr;
        EXPECT_EQ(device2_->CreatePalette(DDPCAPS_8BIT, colours.data(), &palette, nullptr), DD_OK);
        return palette;
    }

    // Asks `object` for each interface and checks it answers for exactly
    // `own` and IUnknown, counting a reference for each answer.
    static void ExpectAnswersFor(IUnknown* object, REFIID own) {
        const IID* others[] = {&IID_IDirectDraw, &IID_IDirectDraw2, &IID_IDirectDrawSurface,
                               &IID_IDirectDrawPalette};
        for (const IID* asked : others) {
            void* answer = reinterpret_cast<void*>(1);
            if (*asked == own) {
                ASSERT_EQ(object->QueryInterface(*asked, &answer), S_OK);
                EXPECT_EQ(answer, object);
                EXPECT_EQ(object->Release(), 1u);  // the look-up added one
            } else {
                EXPECT_EQ(object->QueryInterface(*asked, &answer), E_NOINTERFACE);
                EXPECT_EQ(answer, nullptr);
            }
        }
        void* answer = nullptr;
        ASSERT_EQ(object->QueryInterface(IID_IUnknown, &answer), S_OK);
        EXPECT_EQ(answer, object);
        EXPECT_EQ(object->Release(), 1u);
        EXPECT_EQ(object->QueryInterface(own, nullptr), E_INVALIDARG);
    }
};

TEST_F(DirectDrawObjectsTest, SurfacesAndPalettesAnswerOnlyForTheirOwnInterface) {
    IDirectDrawSurface* surface = MakeSurface(8, 8);
    ExpectAnswersFor(surface, IID_IDirectDrawSurface);
    IDirectDrawPalette* palette = MakePalette(10);
    ExpectAnswersFor(palette, IID_IDirectDrawPalette);
    EXPECT_EQ(palette->Release(), 0u);
    EXPECT_EQ(surface->Release(), 0u);
}

TEST_F(DirectDrawObjectsTest, ReferencesCountUpAndDownAndTheLastOneFreesTheObject) {
    IDirectDrawSurface* surface = MakeSurface(8, 8);
    EXPECT_EQ(surface->AddRef(), 2u);
    EXPECT_EQ(surface->AddRef(), 3u);
    EXPECT_EQ(surface->Release(), 2u);
    EXPECT_EQ(surface->Release(), 1u);
    // Still usable with its last reference.
    ASSERT_EQ(Fill(surface, nullptr, 5), DD_OK);
    EXPECT_EQ(PixelAt(surface, 7, 7), 5);
    EXPECT_EQ(surface->Release(), 0u);
}

TEST_F(DirectDrawObjectsTest, SurfaceHoldsAReferenceToItsPaletteWhileAttached) {
    IDirectDrawSurface* surface = MakeSurface(8, 8);
    IDirectDrawPalette* palette = MakePalette(200);
    ASSERT_EQ(surface->SetPalette(palette), DD_OK);
    // The creator's reference goes; the surface's own one keeps the palette.
    EXPECT_EQ(palette->Release(), 1u);
    IDirectDrawPalette* attached = nullptr;
    ASSERT_EQ(surface->GetPalette(&attached), DD_OK);
    ASSERT_EQ(attached, palette);
    PALETTEENTRY entry{};
    ASSERT_EQ(attached->GetEntries(0, 7, 1, &entry), DD_OK);
    EXPECT_EQ(entry.peRed, 200);
    // GetPalette handed out a reference of its own.
    EXPECT_EQ(attached->Release(), 1u);
    // Taking the palette off gives back the surface's reference: one more
    // reference is then the only one.
    EXPECT_EQ(palette->AddRef(), 2u);
    ASSERT_EQ(surface->SetPalette(nullptr), DD_OK);
    EXPECT_EQ(palette->Release(), 0u);
    EXPECT_EQ(surface->GetPalette(&attached), DDERR_NOPALETTEATTACHED);
    EXPECT_EQ(surface->Release(), 0u);

    // A surface's last release gives back its palette reference too.
    IDirectDrawSurface* holder = MakeSurface(8, 8);
    IDirectDrawPalette* kept = MakePalette(50);
    ASSERT_EQ(holder->SetPalette(kept), DD_OK);
    EXPECT_EQ(holder->Release(), 0u);
    EXPECT_EQ(kept->Release(), 0u);
}

TEST_F(DirectDrawObjectsTest, BltCopiesEqualRectanglesAndRefusesEverythingElse) {
    IDirectDrawSurface* target = MakeSurface(10, 10);
    IDirectDrawSurface* source = MakeSurface(4, 4);
    ASSERT_EQ(Fill(source, nullptr, 6), DD_OK);

    // Null rectangles mean whole surfaces: these differ in size.
    EXPECT_EQ(target->Blt(nullptr, source, nullptr, DDBLT_WAIT, nullptr), DDERR_UNSUPPORTED);
    RECT stretched{0, 0, 8, 8};
    EXPECT_EQ(target->Blt(&stretched, source, nullptr, DDBLT_WAIT, nullptr), DDERR_UNSUPPORTED);
    RECT cell{2, 3, 6, 7};
    EXPECT_EQ(target->Blt(&cell, nullptr, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDPARAMS);
    RECT past_source{1, 1, 5, 5};
    EXPECT_EQ(target->Blt(&cell, source, &past_source, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
    RECT past_target{7, 7, 11, 11};
    EXPECT_EQ(target->Blt(&past_target, source, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
    EXPECT_EQ(target->Blt(&cell, source, nullptr, DDBLT_KEYSRC, nullptr), DDERR_NOCOLORKEY);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(PixelAt(target, x, y), 0) << x << "," << y;

    EXPECT_EQ(target->Blt(&cell, source, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(PixelAt(target, 2, 3), 6);
    EXPECT_EQ(PixelAt(target, 5, 6), 6);
    EXPECT_EQ(PixelAt(target, 1, 3), 0);
    EXPECT_EQ(PixelAt(target, 6, 6), 0);
    EXPECT_EQ(PixelAt(target, 2, 7), 0);
}

TEST_F(DirectDrawObjectsTest, BltHonoursTheSourceAndDestinationKeysItIsAskedFor) {
    IDirectDrawSurface* target = MakeSurface(3, 1);
    IDirectDrawSurface* source = MakeSurface(3, 1);
    RECT left{0, 0, 1, 1}, middle{1, 0, 2, 1}, right{2, 0, 3, 1};
    ASSERT_EQ(Fill(source, &left, 1), DD_OK);
    ASSERT_EQ(Fill(source, &middle, 2), DD_OK);
    ASSERT_EQ(Fill(source, &right, 3), DD_OK);
    ASSERT_EQ(Fill(target, &middle, 7), DD_OK);
    EXPECT_EQ(target->Blt(nullptr, source, nullptr, DDBLT_KEYDEST, nullptr), DDERR_NOCOLORKEY);

    DDCOLORKEY source_key{1, 1};
    ASSERT_EQ(source->SetColorKey(DDCKEY_SRCBLT, &source_key), DD_OK);
    DDCOLORKEY dest_key{0, 0};  // only index 0 of the target may be written
    ASSERT_EQ(target->SetColorKey(DDCKEY_DESTBLT, &dest_key), DD_OK);
    ASSERT_EQ(target->Blt(nullptr, source, nullptr, DDBLT_KEYSRC | DDBLT_KEYDEST, nullptr), DD_OK);
    EXPECT_EQ(PixelAt(target, 0, 0), 0);  // source index 1 is keyed out
    EXPECT_EQ(PixelAt(target, 1, 0), 7);  // target index 7 is not writable
    EXPECT_EQ(PixelAt(target, 2, 0), 3);
    // Without the flags both keys are ignored.
    ASSERT_EQ(target->Blt(nullptr, source, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(PixelAt(target, 0, 0), 1);
    EXPECT_EQ(PixelAt(target, 1, 0), 2);
}

TEST_F(DirectDrawObjectsTest, LostSourceStopsABltAfterTheRectanglesAreChecked) {
    IDirectDrawSurface* target = MakeSurface(4, 4);
    IDirectDrawSurface* source = MakeSurface(4, 4);
    platform::LoseAllSurfaces();
    ASSERT_EQ(target->Restore(), DD_OK);
    RECT outside{0, 0, 5, 4};
    EXPECT_EQ(target->Blt(nullptr, source, &outside, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
    EXPECT_EQ(target->Blt(nullptr, source, nullptr, DDBLT_WAIT, nullptr), DDERR_SURFACELOST);
    EXPECT_EQ(target->BltFast(0, 0, source, nullptr, DDBLTFAST_WAIT), DDERR_SURFACELOST);
    ASSERT_EQ(source->Restore(), DD_OK);
    EXPECT_EQ(target->Blt(nullptr, source, nullptr, DDBLT_WAIT, nullptr), DD_OK);
}

}  // namespace
