#include "gfx/custom_bitmap.h"
#include "resources/program_resources.h"

#include "tests/gfx/gfx_test_support.h"

namespace {

class CustomBitmapTest : public GfxTest {};

TEST_F(CustomBitmapTest, ImagesHaveTheirSizesAndPixelValues) {
    struct Expected {
        const char* name;
        LONG width, height;
        size_t bytes;
        BYTE ink;
    };
    const Expected images[] = {
        {"IDR_CUSTBMP_TITLE", 60, 14, 845, 2},
        {"IDR_CUSTBMP_TINYFONT_A", 280, 7, 1965, 255},
        {"IDR_CUSTBMP_TINYFONT_B", 392, 8, 3533, 1},
        {"IDR_CUSTBMP_PANPOT", 80, 16, 1285, 2},
    };
    for (const Expected& image : images) {
        SCOPED_TRACE(image.name);
        const ProgramResource* resource = FindProgramResource("CUSTBMP", image.name);
        ASSERT_NE(resource, nullptr);
        EXPECT_EQ(resource->size, image.bytes);
        SIZE size{0, 0};
        int bits = 0;
        const BYTE* pixels = FindCustomBitmap(image.name, 1, &size, &bits);
        ASSERT_EQ(pixels, resource->bytes + 5);
        EXPECT_EQ(size.cx, image.width);
        EXPECT_EQ(size.cy, image.height);
        EXPECT_EQ(bits, 8);
        bool inked = false;
        for (size_t i = 0; i < resource->size - 5; ++i) {
            EXPECT_TRUE(pixels[i] == 0 || pixels[i] == image.ink) << "byte " << i;
            inked = inked || pixels[i] == image.ink;
        }
        EXPECT_TRUE(inked);
    }
    const ProgramResource* icon = FindProgramResource(kIconResourceType, kIconResourceName);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->bytes[4], 32);
    EXPECT_EQ(icon->size, 5u + 32 * 32 * 4);
}

TEST_F(CustomBitmapTest, DisabledOrUnknownImagesAreNotFound) {
    SIZE size{-1, -1};
    int bits = -1;
    EXPECT_EQ(FindCustomBitmap("IDR_CUSTBMP_PANPOT", 0, &size, &bits), nullptr);
    EXPECT_EQ(size.cx, -1);
    EXPECT_EQ(bits, -1);
    EXPECT_EQ(FindCustomBitmap("IDR_CUSTBMP_NONE", 1, &size, &bits), nullptr);
    EXPECT_NE(FindCustomBitmap("idr_custbmp_panpot", 1, nullptr, nullptr), nullptr);
    EXPECT_THROW(LoadCustomBitmap("IDR_CUSTBMP_NONE", 1), int);
}

// Font glyphs sit in the glyph map's order; a few pixels pin the layout.
TEST_F(CustomBitmapTest, FontGlyphsFollowTheGlyphMap) {
    SIZE size{};
    const BYTE* a = FindCustomBitmap("IDR_CUSTBMP_TINYFONT_A", 1, &size, nullptr);
    ASSERT_NE(a, nullptr);
    auto ink_a = [&](int glyph, int x, int y) { return a[y * 280 + glyph * 5 + x] != 0; };
    for (int glyph = 0; glyph < 56; ++glyph) {
        for (int x = 0; x < 5; ++x) {
            EXPECT_FALSE(ink_a(glyph, x, 0)) << "glyph " << glyph;  // row 0 stays empty
            EXPECT_FALSE(ink_a(glyph, x, 6)) << "glyph " << glyph;  // row 6 is never drawn
        }
    }
    for (int x = 0; x < 5; ++x)
        for (int y = 0; y < 7; ++y)
            EXPECT_FALSE(ink_a(44, x, y));                                // space
    EXPECT_TRUE(ink_a(49, 0, 5) && ink_a(49, 0, 3) && !ink_a(49, 3, 3));  // backquote corner
    EXPECT_TRUE(ink_a(13, 0, 3) && ink_a(13, 3, 3));                      // hyphen

    const BYTE* b = FindCustomBitmap("IDR_CUSTBMP_TINYFONT_B", 1, &size, nullptr);
    ASSERT_NE(b, nullptr);
    auto ink_b = [&](int glyph, int x, int y) { return b[y * 392 + glyph * 7 + x] != 0; };
    EXPECT_TRUE(ink_b(49, 0, 7) && ink_b(49, 0, 4) && !ink_b(49, 4, 4));  // backquote corner
    EXPECT_TRUE(ink_b(43, 0, 4) && !ink_b(43, 1, 4) && ink_b(43, 2, 4) && ink_b(43, 4, 4));
    EXPECT_TRUE(ink_b(17 + 'T' - 'A', 0, 1) && ink_b(17 + 'T' - 'A', 2, 7));
    for (int x = 0; x < 392; ++x)
        EXPECT_EQ(b[8 * 392 + x], 0);  // the stored ninth row
}

TEST_F(CustomBitmapTest, LoadedSurfaceMatchesTheImageAndReloadsAfterLoss) {
    CCustomBitmap font_b("IDR_CUSTBMP_TINYFONT_B", 1);
    CSurface* surface = font_b.GetSurface();
    ASSERT_EQ(surface->width, 392);
    ASSERT_EQ(surface->height, 8);
    SIZE size{};
    const BYTE* image = FindCustomBitmap("IDR_CUSTBMP_TINYFONT_B", 1, &size, nullptr);
    const std::vector<BYTE> loaded = ReadPixels(*surface);
    EXPECT_EQ(loaded, std::vector<BYTE>(image, image + 392 * 8));

    surface->Restore();
    EXPECT_TRUE(SetPixels(*surface).empty());
    EXPECT_NE(ReloadCustomBitmap(surface, "IDR_CUSTBMP_TINYFONT_B", 1), 0);
    EXPECT_EQ(ReadPixels(*surface), loaded);
    surface->surface->Release();
}

TEST_F(CustomBitmapTest, SurfaceCreateClearsAndReadsBackItsSize) {
    CSurface plain;
    const SIZE size{200, 100};
    ASSERT_EQ(plain.Create(0, &size), 1);
    EXPECT_EQ(plain.caps, kOffscreenCaps);
    EXPECT_EQ(plain.desc_flags, DWORD{DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH});
    EXPECT_EQ(ReadPixels(plain), std::vector<BYTE>(200 * 100, 0));

    RECT part{10, 10, 20, 12};
    plain.Fill(&part, 0x133);
    EXPECT_EQ(PixelAt(plain, 19, 11), 0x33);
    plain.Fill(nullptr, 4);
    EXPECT_EQ(SetPixels(plain).size(), 200u * 100u);

    ASSERT_TRUE(plain.Lock());
    EXPECT_FALSE(plain.Lock());  // already locked
    plain.Unlock();
    EXPECT_EQ(plain.bits, nullptr);
    EXPECT_EQ(plain.locked, 0);
    plain.surface->Release();
}

TEST_F(CustomBitmapTest, SurfaceWithoutAKnownSizeTakesItFromTheDevice) {
    CSurface made = MakeSurface(30, 20);
    CSurface handle;
    handle.surface = made.surface;
    handle.ReadSize();
    EXPECT_EQ(handle.width, 30);
    EXPECT_EQ(handle.height, 20);
    CSurface nothing;
    nothing.width = 5;
    nothing.ReadSize();
    EXPECT_EQ(nothing.width, 5);  // no surface to ask
    made.surface->Release();

    // Reloading an image into a surface whose size was never recorded
    // asks the surface first, then copies the whole image.
    CCustomBitmap font_a("IDR_CUSTBMP_TINYFONT_A", 1);
    SIZE size{};
    const BYTE* image = FindCustomBitmap("IDR_CUSTBMP_TINYFONT_A", 1, &size, nullptr);
    ASSERT_NE(image, nullptr);
    CSurface bare;
    bare.surface = font_a.GetSurface()->surface;
    bare.Fill(nullptr, 0);
    EXPECT_NE(ReloadCustomBitmap(&bare, "IDR_CUSTBMP_TINYFONT_A", 1), 0);
    EXPECT_EQ(bare.width, size.cx);
    EXPECT_EQ(bare.height, size.cy);
    EXPECT_EQ(ReadPixels(bare), std::vector<BYTE>(image, image + size.cx * size.cy));
    font_a.GetSurface()->surface->Release();
}

}  // namespace
