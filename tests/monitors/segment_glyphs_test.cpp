#include <gtest/gtest.h>

#include <vector>

#include "gfx/segment_font.h"

namespace {

class SegmentGlyphs : public ::testing::Test {
protected:
    SegmentGlyphs() : pixels(kSegmentSurfaceWidth * kSegmentCellHeight, 0) {
        WriteSegmentGlyphPixels(pixels.data(), kSegmentSurfaceWidth);
    }

    uint8_t At(char c, int x, int y) const {
        return pixels[y * kSegmentSurfaceWidth + SegmentGlyphIndex(c) * kSegmentCellWidth + x];
    }

    int Count(char c, uint8_t value) const {
        int n = 0;
        for (int y = 0; y < kSegmentCellHeight; ++y) {
            for (int x = 0; x < kSegmentCellWidth; ++x) {
                n += At(c, x, y) == value;
            }
        }
        return n;
    }

    std::vector<uint8_t> pixels;
};

TEST_F(SegmentGlyphs, CharactersPickTheirCells) {
    EXPECT_EQ(SegmentGlyphIndex('0'), 1);
    EXPECT_EQ(SegmentGlyphIndex('9'), 10);
    EXPECT_EQ(SegmentGlyphIndex('A'), 11);
    EXPECT_EQ(SegmentGlyphIndex('z'), 36);
    EXPECT_EQ(SegmentGlyphIndex(':'), 0);
    EXPECT_EQ(SegmentGlyphIndex(' '), 0);
    EXPECT_EQ(SegmentGlyphIndex(0xB1), 0);
}

TEST_F(SegmentGlyphs, EightLightsOuterSegmentsAndMiddleButNoDiagonal) {
    for (auto [x, y] : {std::pair{7, 0}, {12, 5}, {11, 12}, {4, 19}, {0, 13}, {1, 6}, {5, 10}}) {
        EXPECT_EQ(At('8', x, y), kSegmentLit) << x << "," << y;
    }
    for (auto [x, y] : {std::pair{3, 3}, {8, 7}, {3, 15}, {8, 14}, {6, 9}}) {
        EXPECT_EQ(At('8', x, y), kSegmentUnlit) << x << "," << y;
    }
    // Both corner groups follow their segments.
    EXPECT_EQ(At('8', 1, 1), kSegmentLit);
    EXPECT_EQ(At('8', 11, 19), kSegmentLit);
}

TEST_F(SegmentGlyphs, BlankShowsEverySegmentUnlit) {
    EXPECT_EQ(Count(' ', kSegmentLit), 0);
    const int segment_pixels = Count(' ', kSegmentUnlit);
    EXPECT_EQ(segment_pixels, Count('8', kSegmentUnlit) + Count('8', kSegmentLit));
    EXPECT_EQ(segment_pixels, 38 - 2 + 24);  // 38 segment pixels, two shared, 24 in corners
}

TEST_F(SegmentGlyphs, CornerGroupsLitByEitherSegment) {
    // '1' lights only the right side: the lower-right corner, not the upper-left.
    EXPECT_EQ(At('1', 10, 18), kSegmentLit);
    EXPECT_EQ(At('1', 2, 2), kSegmentUnlit);
    // 'J' (both right sides, bottom bar, left lower side): lower-right lit,
    // upper-left unlit; 'L' lights both through its bottom bar and left upper side.
    EXPECT_EQ(At('J', 9, 19), kSegmentLit);
    EXPECT_EQ(At('J', 4, 0), kSegmentUnlit);
    EXPECT_EQ(At('L', 9, 19), kSegmentLit);
    EXPECT_EQ(At('L', 4, 0), kSegmentLit);
    // 'P' has the upper left side but no bottom: the other way round.
    EXPECT_EQ(At('P', 4, 0), kSegmentLit);
    EXPECT_EQ(At('P', 9, 19), kSegmentUnlit);
}

TEST_F(SegmentGlyphs, SharedPixelsTakeTheLowerSegmentsColour) {
    // 'X' lights all four diagonals but neither side: (12, 3) is shared by the
    // right upper side (unlit) and the upper-right diagonal (lit).
    EXPECT_EQ(At('X', 12, 3), kSegmentLit);
    EXPECT_EQ(At('X', 12, 1), kSegmentUnlit);
    // '4' lights the right upper side but not the upper-right diagonal.
    EXPECT_EQ(At('4', 12, 3), kSegmentUnlit);
    // 'K' lights the upper-right diagonal but not the upper-left one, which
    // share (6, 9): the upper-right diagonal is written last.
    EXPECT_EQ(At('K', 6, 9), kSegmentLit);
    EXPECT_EQ(At('K', 3, 3), kSegmentUnlit);
}

TEST_F(SegmentGlyphs, TransparentOutsideTheSegments) {
    for (int glyph = 0; glyph < kSegmentGlyphCount; ++glyph) {
        EXPECT_EQ(pixels[glyph * kSegmentCellWidth], 0) << glyph;
        EXPECT_EQ(pixels[6 * kSegmentSurfaceWidth + glyph * kSegmentCellWidth + 6], 0) << glyph;
    }
    EXPECT_EQ(At('a', 7, 0), At('A', 7, 0));
}

}  // namespace
