// GDI text on the device context of an 8-bit surface: the program's font
// faces, the palette entry a glyph pixel takes, CP932 text, clipping and
// the behaviour without any font.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "platform/ddraw.h"
#include "platform/gdi.h"
#include "tests/video/direct_draw_fixture.h"

namespace {

// The face names the program asks for, in CP932.
constexpr char kGothic[] = "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E";
constexpr char kProportionalGothic[] =
    "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E";
// Two kanji (CP932 of U+6F22 U+5B57) and a half-width katakana a.
constexpr char kKanji[] = "\x8A\xBF\x8E\x9A";
constexpr char kHalfWidthKatakana[] = "\xB1";

constexpr int kSurfaceWidth = 200;
constexpr int kSurfaceHeight = 40;

struct Ink {
    int count = 0;
    std::set<BYTE> indices;
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // right/bottom exclusive
};

HFONT MakeFont(int height, int weight, const char* face) {
    return CreateFontA(height, 0, 0, 0, weight, 0, 0, 0, DEFAULT_CHARSET, OUT_CHARACTER_PRECIS,
                       CLIP_CHARACTER_PRECIS, PROOF_QUALITY, VARIABLE_PITCH, face);
}

// A device context on a surface with a font selected, a text colour and a
// background mode, given back (font deselected, context released) at the end.
class TextContext {
public:
    TextContext(IDirectDrawSurface* surface, HFONT font, COLORREF colour, int mode = TRANSPARENT)
        : surface_(surface) {
        EXPECT_EQ(surface_->GetDC(&dc_), DD_OK);
        previous_font_ = SelectObject(dc_, font);
        EXPECT_NE(previous_font_, nullptr);
        SetTextColor(dc_, colour);
        SetBkMode(dc_, mode);
    }
    ~TextContext() {
        SelectObject(dc_, previous_font_);
        EXPECT_EQ(surface_->ReleaseDC(dc_), DD_OK);
    }
    TextContext(const TextContext&) = delete;
    TextContext& operator=(const TextContext&) = delete;

    HDC Get() const { return dc_; }

private:
    IDirectDrawSurface* surface_;
    HDC dc_ = nullptr;
    HGDIOBJ previous_font_ = nullptr;
};

class GdiTextTest : public DirectDrawFixture {
protected:
    void TearDown() override {
        platform::OverrideFontFile(nullptr);
        DirectDrawFixture::TearDown();
    }

    IDirectDrawSurface* MakeSurface(DWORD width = kSurfaceWidth, DWORD height = kSurfaceHeight) {
        return DirectDrawFixture::MakeSurface(width, height);
    }

    // A surface with a grey palette of its own, so that white text leaves
    // non-zero pixels whatever the display's palette holds in this process.
    IDirectDrawSurface* MakeInkSurface(DWORD width = kSurfaceWidth, DWORD height = kSurfaceHeight) {
        IDirectDrawSurface* surface = MakeSurface(width, height);
        EXPECT_EQ(surface->SetPalette(MakePalette({})), DD_OK);
        return surface;
    }

    // A palette of grey everywhere but black 0 and the given entries.
    IDirectDrawPalette* MakePalette(const std::vector<std::pair<int, PALETTEENTRY>>& entries) {
        std::array<PALETTEENTRY, 256> colours;
        colours.fill(PALETTEENTRY{128, 128, 128, 0});
        colours[0] = {0, 0, 0, 0};
        for (const auto& [index, colour] : entries)
            colours[index] = colour;
        IDirectDrawPalette* palette = nullptr;
        EXPECT_EQ(device2_->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, colours.data(), &palette,
                                          nullptr),
                  DD_OK);
        return palette;
    }

    // Draws `text` with TextOutA at (x, y) in `font` and `colour`, transparent.
    static void Write(IDirectDrawSurface* surface, HFONT font, COLORREF colour, int x, int y,
                      const char* text, int length = -1) {
        TextContext context(surface, font, colour);
        EXPECT_TRUE(TextOutA(context.Get(), x, y, text,
                             length < 0 ? static_cast<int>(std::strlen(text)) : length));
    }

    static std::vector<BYTE> Pixels(IDirectDrawSurface* surface) {
        DDSURFACEDESC desc{};
        desc.dwSize = 108;
        surface->GetSurfaceDesc(&desc);
        std::vector<BYTE> pixels;
        DDSURFACEDESC locked{};
        locked.dwSize = 108;
        if (surface->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr) != DD_OK) {
            ADD_FAILURE() << "surface cannot be locked";
            return pixels;
        }
        for (DWORD y = 0; y < desc.dwHeight; ++y) {
            const BYTE* row = static_cast<const BYTE*>(locked.lpSurface) + y * locked.lPitch;
            pixels.insert(pixels.end(), row, row + desc.dwWidth);
        }
        surface->Unlock(nullptr);
        return pixels;
    }

    static Ink InkOf(IDirectDrawSurface* surface, int width = kSurfaceWidth) {
        Ink ink;
        const std::vector<BYTE> pixels = Pixels(surface);
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            if (pixels[i] == 0)
                continue;
            const int x = static_cast<int>(i % width), y = static_cast<int>(i / width);
            ++ink.count;
            ink.indices.insert(pixels[i]);
            ink.left = std::min(ink.left, x);
            ink.top = std::min(ink.top, y);
            ink.right = std::max(ink.right, x + 1);
            ink.bottom = std::max(ink.bottom, y + 1);
        }
        return ink;
    }

    static SIZE Extent(HFONT font, IDirectDrawSurface* surface, const char* text) {
        TextContext context(surface, font, 0);
        SIZE size{};
        GetTextExtentPoint32A(context.Get(), text, static_cast<int>(std::strlen(text)), &size);
        return size;
    }
};

struct ProgramFont {
    const char* what;
    int height;
    int weight;
    const char* face;
};

// The fonts of the glyph cache (cells 5 and 7 high), the file selector's
// title and the document viewer.
constexpr ProgramFont kProgramFonts[] = {
    {"glyph cache A", 5, 100, kGothic},
    {"glyph cache B", 7, 100, kGothic},
    {"selector title", 14, 700, kProportionalGothic},
    {"document", 16, 100, kGothic},
};

TEST_F(GdiTextTest, ProgramFontsDrawInsideTheirCellWithTheNearestAttachedEntry) {
    for (const ProgramFont& font_use : kProgramFonts) {
        SCOPED_TRACE(font_use.what);
        IDirectDrawSurface* surface = MakeSurface();
        IDirectDrawPalette* palette = MakePalette({{200, {250, 250, 5, 0}}, {201, {0, 0, 250, 0}}});
        ASSERT_EQ(surface->SetPalette(palette), DD_OK);
        HFONT font = MakeFont(font_use.height, font_use.weight, font_use.face);
        ASSERT_NE(font, nullptr);
        Write(surface, font, RGB(255, 255, 0), 3, 4, "NIVRA");
        Write(surface, font, RGB(255, 255, 0), 100, 4, kKanji);
        const Ink ink = InkOf(surface);
        ASSERT_GT(ink.count, 0);
        EXPECT_EQ(ink.indices, std::set<BYTE>{200});
        EXPECT_GE(ink.left, 3);
        EXPECT_GE(ink.top, 4);
        EXPECT_LE(ink.bottom, 4 + font_use.height);
        EXPECT_TRUE(DeleteObject(font));
    }
}

TEST_F(GdiTextTest, TextColourIsMatchedInTheDisplaysPaletteWhenTheSurfaceHasNone) {
    // The display gets its palette through the primary surface.
    IDirectDrawSurface* primary = MakeFlipChain();
    ASSERT_NE(primary, nullptr);
    IDirectDrawPalette* display_palette = MakePalette({{77, {0, 255, 0, 0}}});
    ASSERT_EQ(primary->SetPalette(display_palette), DD_OK);

    HFONT font = MakeFont(16, 100, kGothic);
    IDirectDrawSurface* plain = MakeSurface();
    Write(plain, font, RGB(10, 240, 10), 2, 2, "A");
    EXPECT_EQ(InkOf(plain).indices, std::set<BYTE>{77});

    // A later change of the display's palette counts for the next context.
    PALETTEENTRY moved[2] = {{128, 128, 128, 0}, {0, 255, 0, 0}};
    ASSERT_EQ(display_palette->SetEntries(0, 77, 2, moved), DD_OK);
    IDirectDrawSurface* second = MakeSurface();
    Write(second, font, RGB(10, 240, 10), 2, 2, "A");
    EXPECT_EQ(InkOf(second).indices, std::set<BYTE>{78});

    // A surface's own palette wins over the display's.
    IDirectDrawSurface* own = MakeSurface();
    IDirectDrawPalette* own_palette = MakePalette({{9, {20, 230, 20, 0}}});
    ASSERT_EQ(own->SetPalette(own_palette), DD_OK);
    Write(own, font, RGB(10, 240, 10), 2, 2, "A");
    EXPECT_EQ(InkOf(own).indices, std::set<BYTE>{9});
    DeleteObject(font);
}

TEST_F(GdiTextTest, JapaneseTextDrawsItsOwnGlyphsAtFullWidth) {
    HFONT font = MakeFont(16, 100, kGothic);
    IDirectDrawSurface* surface = MakeSurface();
    const SIZE kanji = Extent(font, surface, "\x8A\xBF");
    const SIZE letter = Extent(font, surface, "A");
    const SIZE katakana = Extent(font, surface, kHalfWidthKatakana);
    EXPECT_GT(letter.cx, 0);
    EXPECT_EQ(kanji.cx, 2 * letter.cx);  // the fixed-pitch face: full width is two half widths
    EXPECT_EQ(katakana.cx, letter.cx);

    // Each character has its own picture: neither is a replacement mark.
    auto picture = [&](const char* text) {
        IDirectDrawSurface* target = MakeInkSurface();
        Write(target, font, RGB(255, 255, 255), 0, 0, text);
        return Pixels(target);
    };
    const auto first = picture("\x8A\xBF");
    const auto second = picture("\x8E\x9A");
    const auto question = picture("?");
    const auto katakana_picture = picture(kHalfWidthKatakana);
    EXPECT_NE(first, second);
    EXPECT_NE(first, question);
    EXPECT_NE(katakana_picture, question);
    EXPECT_GT(std::count_if(first.begin(), first.end(), [](BYTE b) { return b != 0; }), 20);
    EXPECT_GT(std::count_if(katakana_picture.begin(), katakana_picture.end(),
                            [](BYTE b) { return b != 0; }),
              0);
    DeleteObject(font);
}

TEST_F(GdiTextTest, ProportionalFaceIsNarrowerForNarrowLetters) {
    HFONT fixed = MakeFont(16, 100, kGothic);
    HFONT proportional = MakeFont(16, 100, kProportionalGothic);
    IDirectDrawSurface* surface = MakeSurface();
    EXPECT_LT(Extent(proportional, surface, "iiii").cx, Extent(fixed, surface, "iiii").cx);
    DeleteObject(fixed);
    DeleteObject(proportional);
}

TEST_F(GdiTextTest, DrawTextStaysInsideItsRectangleAndMeasuresWithoutDrawing) {
    HFONT font = MakeFont(7, 100, kGothic);
    IDirectDrawSurface* surface = MakeInkSurface();
    {
        TextContext context(surface, font, RGB(255, 255, 255));
        // The glyph cache's call: two bytes into one 7-pixel slot, format 0.
        RECT slot = {21, 0, 28, 9};
        EXPECT_GT(DrawTextA(context.Get(), kKanji, 2, &slot, 0), 0);
        // Measuring leaves the surface alone.
        RECT measured = {0, 20, 0, 20};
        EXPECT_GT(DrawTextA(context.Get(), "WIDE TEXT", -1, &measured, DT_CALCRECT), 0);
        EXPECT_GT(measured.right, 0);
        EXPECT_GT(measured.bottom, 20);
    }

    const Ink ink = InkOf(surface);
    ASSERT_GT(ink.count, 0);
    EXPECT_GE(ink.left, 21);
    EXPECT_LE(ink.right, 28);
    EXPECT_LE(ink.bottom, 9);
    DeleteObject(font);
}

TEST_F(GdiTextTest, TextPastTheSurfaceEdgeOrCutInACharacterDrawsWhatFits) {
    HFONT font = MakeFont(16, 100, kGothic);
    IDirectDrawSurface* surface = MakeInkSurface(64, 16);
    const std::string long_text(600, 'W');
    Write(surface, font, RGB(255, 255, 255), -5, -3, long_text.c_str());
    EXPECT_GT(InkOf(surface, 64).count, 0);

    // A length that ends on a lead byte draws the characters before it.
    IDirectDrawSurface* cut = MakeInkSurface();
    const std::string text = std::string("AB") + kKanji;
    Write(cut, font, RGB(255, 255, 255), 0, 0, text.c_str(), 3);
    const Ink ink = InkOf(cut);
    EXPECT_GT(ink.count, 0);
    EXPECT_LE(ink.right, Extent(font, cut, "AB").cx + 1);
    DeleteObject(font);
}

TEST_F(GdiTextTest, WithoutAnyFontTextDrawsNothingAndEveryCallSucceeds) {
    for (const char* missing : {"/nonexistent/no-font.ttf", "/dev/null"}) {
        SCOPED_TRACE(missing);
        platform::OverrideFontFile(missing);
        HFONT font = MakeFont(16, 100, kGothic);
        ASSERT_NE(font, nullptr);
        IDirectDrawSurface* surface = MakeSurface();
        {
            TextContext context(surface, font, RGB(255, 255, 255), OPAQUE);
            EXPECT_TRUE(TextOutA(context.Get(), 0, 0, "NIVRA", 5));
            EXPECT_TRUE(TextOutA(context.Get(), 0, 0, kKanji, 4));
            RECT rect = {0, 0, kSurfaceWidth, kSurfaceHeight};
            DrawTextA(context.Get(), "TWO\nLINES", -1, &rect, DT_CENTER);
            SIZE size{};
            EXPECT_TRUE(GetTextExtentPoint32A(context.Get(), "NIVRA", 5, &size));
            EXPECT_EQ(size.cx, 0);
        }
        EXPECT_EQ(InkOf(surface).count, 0);
        EXPECT_TRUE(DeleteObject(font));
    }
}

TEST_F(GdiTextTest, ContextSettingsAnswerWithTheValueTheyReplace) {
    IDirectDrawSurface* surface = MakeSurface();
    HDC dc = nullptr;
    ASSERT_EQ(surface->GetDC(&dc), DD_OK);
    // A new context: black text on opaque white.
    EXPECT_EQ(SetTextColor(dc, RGB(1, 2, 3)), RGB(0, 0, 0));
    EXPECT_EQ(SetBkColor(dc, RGB(4, 5, 6)), RGB(255, 255, 255));
    EXPECT_EQ(SetBkMode(dc, TRANSPARENT), OPAQUE);
    // Only the colour bytes are kept.
    EXPECT_EQ(SetTextColor(dc, 0xFF000000u | RGB(7, 8, 9)), RGB(1, 2, 3));
    EXPECT_EQ(SetTextColor(dc, 0), RGB(7, 8, 9));
    EXPECT_EQ(SetBkColor(dc, 0x01000000u), RGB(4, 5, 6));
    EXPECT_EQ(SetBkColor(dc, 0), 0u);
    // A mode that does not exist is refused and changes nothing.
    EXPECT_EQ(SetBkMode(dc, 3), 0);
    EXPECT_EQ(SetBkMode(dc, OPAQUE), TRANSPARENT);
    EXPECT_EQ(SetBkMode(dc, OPAQUE), OPAQUE);
    // Each context keeps its own settings.
    IDirectDrawSurface* other_surface = MakeSurface();
    HDC other = nullptr;
    ASSERT_EQ(other_surface->GetDC(&other), DD_OK);
    EXPECT_EQ(SetTextColor(other, RGB(9, 9, 9)), RGB(0, 0, 0));
    EXPECT_EQ(SetTextColor(dc, RGB(1, 1, 1)), RGB(0, 0, 0));
    EXPECT_EQ(other_surface->ReleaseDC(other), DD_OK);
    EXPECT_EQ(surface->ReleaseDC(dc), DD_OK);
    // A released context is gone.
    EXPECT_EQ(SetBkColor(dc, 0), CLR_INVALID);
    EXPECT_EQ(SetBkMode(dc, OPAQUE), 0);
}

TEST_F(GdiTextTest, CallsOnUnknownHandlesFailWithoutHarm) {
    HDC bogus = reinterpret_cast<HDC>(static_cast<std::uintptr_t>(0x7777));
    HFONT font = MakeFont(16, 100, kGothic);
    EXPECT_EQ(SelectObject(bogus, font), nullptr);
    EXPECT_EQ(SetTextColor(bogus, 0), CLR_INVALID);
    EXPECT_EQ(SetBkColor(bogus, 0), CLR_INVALID);
    EXPECT_EQ(SetBkMode(bogus, TRANSPARENT), 0);
    EXPECT_FALSE(TextOutA(bogus, 0, 0, "A", 1));
    RECT rect = {0, 0, 10, 10};
    EXPECT_EQ(DrawTextA(bogus, "A", 1, &rect, 0), 0);
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_FALSE(DeleteObject(font));  // already gone
}

}  // namespace
