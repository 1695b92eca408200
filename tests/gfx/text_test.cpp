#include "gfx/text.h"

#include <string>

#include "gfx/draw.h"
#include "platform/kernel.h"
#include "tests/gfx/gfx_test_support.h"

namespace {

using Points = std::vector<std::pair<LONG, LONG>>;

class TextTest : public GfxTest {
protected:
    void SetUp() override {
        GfxTest::SetUp();
        InitText();
    }
};

TEST_F(TextTest, LowerCaseIsDrawnAsCapitals) {
    CSurface lower = MakeSurface(40, 10);
    CSurface upper = MakeSurface(40, 10);
    DrawTextFontA(&lower, 0, 0, "abc", 0, 0);
    DrawTextFontA(&upper, 0, 0, "ABC", 0, 0);
    EXPECT_FALSE(SetPixels(upper).empty());
    EXPECT_EQ(ReadPixels(lower), ReadPixels(upper));
    EXPECT_EQ(GlyphIndex('z'), GlyphIndex('Z'));
    EXPECT_EQ(GlyphIndex('#'), -1);
    EXPECT_EQ(GlyphIndex(0xB5), 55);
}

TEST_F(TextTest, CaptionStaysInsideItsCellsInTheBandColour) {
    CSurface s = MakeSurface(40, 30);
    DrawTextFontA(&s, 3, 10, "VOL`", 1, 1);
    const Points set = SetPixels(s);
    ASSERT_FALSE(set.empty());
    for (const auto& [x, y] : set) {
        EXPECT_GE(x, 3);
        EXPECT_LE(x, 22);
        EXPECT_GE(y, 10);
        EXPECT_LE(y, 15);
        EXPECT_EQ(PixelAt(s, x, y), 2) << x << "," << y;  // colour 1 is index 2
    }
}

TEST_F(TextTest, EveryColourPicksItsBand) {
    for (int colour = 0; colour < kTextColourCount; ++colour) {
        CSurface s = MakeSurface(10, 10);
        DrawTextFontB(&s, 0, 0, "8", 1, colour);
        const Points set = SetPixels(s);
        ASSERT_FALSE(set.empty());
        for (const auto& [x, y] : set) {
            EXPECT_EQ(PixelAt(s, x, y), kTextBandIndex[colour]);
            EXPECT_LT(x, 7);
            EXPECT_LT(y, 8);  // font B draws rows 0 to 7 of its 9-row cell
        }
    }
}

TEST_F(TextTest, OpaqueCellsCoverTheBackgroundAndMissingGlyphsLeaveTheirCell) {
    CSurface s = MakeSurface(30, 10);
    FillRect(s.surface, 0, 0, 30, 10, 9);
    DrawTextFontA(&s, 0, 0, "1#1", 0, 0);
    // The opaque "1" cells show index 0 where the glyph has no ink.
    EXPECT_EQ(PixelAt(s, 4, 0), 0);
    EXPECT_EQ(PixelAt(s, 14, 0), 0);
    // The number sign has no glyph: its cell keeps the background.
    for (LONG x = 5; x < 10; ++x)
        for (LONG y = 0; y < 6; ++y)
            EXPECT_EQ(PixelAt(s, x, y), 9);
    // Row 6 of a font A cell is never drawn.
    EXPECT_EQ(PixelAt(s, 0, 6), 9);

    CSurface t = MakeSurface(30, 10);
    FillRect(t.surface, 0, 0, 30, 10, 9);
    DrawTextFontA(&t, 0, 0, "1", 1, 0);
    EXPECT_EQ(PixelAt(t, 4, 0), 9);  // transparent: index 0 lets the background through
}

TEST_F(TextTest, GlyphsPastTheEdgeAreNotDrawnButThoseBeforeAre) {
    CSurface s = MakeSurface(12, 7);
    DrawTextFontA(&s, 0, 0, "888", 1, 0);
    for (const auto& [x, y] : SetPixels(s))
        EXPECT_LT(x, 10);
    EXPECT_FALSE(SetPixels(s).empty());

    CSurface low = MakeSurface(12, 5);  // shorter than one cell: nothing fits
    DrawTextFontA(&low, 0, 0, "8", 1, 0);
    EXPECT_TRUE(SetPixels(low).empty());
}

TEST_F(TextTest, DoubleByteCharacterTakesOneCell) {
    // "あA": the kana takes one cell whether or not a font renders it.
    CSurface s = MakeSurface(40, 10);
    DrawTextFontA(&s, 0, 0,
                  "\x82\xA0"
                  "A",
                  1, 0);
    CSurface only_a = MakeSurface(40, 10);
    DrawTextFontA(&only_a, 5, 0, "A", 1, 0);
    const Points with_kana = SetPixels(s);
    const Points a = SetPixels(only_a);
    for (const auto& point : a) {
        EXPECT_NE(std::find(with_kana.begin(), with_kana.end(), point), with_kana.end());
    }
    for (const auto& [x, y] : with_kana) {
        if (x >= 5) {
            EXPECT_NE(std::find(a.begin(), a.end(), std::make_pair(x, y)), a.end());
        }
        EXPECT_EQ(PixelAt(s, x, y), 1);
    }
}

TEST_F(TextTest, LongTextIsCutAtACharacterBoundary) {
    std::string text(254, 'A');
    text += "\x82\xA0";  // a double-byte character straddling byte 255
    text += "ABC";
    EXPECT_EQ(ClampTextLength(text.c_str()), 254);
    EXPECT_EQ(ClampTextLength(std::string(300, '1').c_str()), kMaxTextBytes);
    EXPECT_EQ(ClampTextLength("AB\x82"), 2);  // lone lead byte at the end
    EXPECT_EQ(ClampTextLength("\x82\xA0\x82\xA0"), 4);

    CSurface s = MakeSurface(640, 8);
    DrawTextFontA(&s, 0, 0, std::string(600, '1').c_str(), 1, 0);
    for (const auto& [x, y] : SetPixels(s))
        EXPECT_LT(x, kMaxTextBytes * 5);
    EXPECT_NE(PixelAt(s, 254 * 5 + 1, 1), 0);  // the 255th character is drawn
}

TEST_F(TextTest, TextLooksTheSameAfterSurfaceLoss) {
    CSurface before = MakeSurface(120, 10);
    DrawTextFontB(&before, 0, 0, "MIDI CANVAS`", 0, 3);
    const std::vector<BYTE> expected = ReadPixels(before);
    RestoreText();
    CSurface after = MakeSurface(120, 10);
    DrawTextFontB(&after, 0, 0, "MIDI CANVAS`", 0, 3);
    EXPECT_EQ(ReadPixels(after), expected);
}

}  // namespace
