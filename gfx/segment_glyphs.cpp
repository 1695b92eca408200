// The segment font's glyph generation: which pixels make up each of the
// eleven segments and which segments each glyph lights.
#include <cstddef>

#include "gfx/segment_font.h"

namespace {

struct Pixel {
    int x;
    int y;
};

struct PixelGroup {
    const Pixel* pixels;
    size_t count;
};

constexpr Pixel kTopBar[] = {{7, 0}, {9, 0}, {11, 0}};
constexpr Pixel kRightUpper[] = {{12, 1}, {12, 3}, {12, 5}, {12, 7}, {12, 9}};
constexpr Pixel kRightLower[] = {{11, 10}, {11, 12}, {11, 14}};
constexpr Pixel kBottomBar[] = {{6, 19}, {4, 19}, {2, 19}};
constexpr Pixel kLeftLower[] = {{0, 17}, {0, 15}, {0, 13}, {0, 11}};
constexpr Pixel kLeftUpper[] = {{1, 8}, {1, 6}};
constexpr Pixel kMiddleBar[] = {{3, 10}, {5, 10}, {7, 10}, {9, 10}};
constexpr Pixel kUpperLeftDiagonal[] = {{3, 3}, {4, 5}, {5, 7}, {6, 9}};
constexpr Pixel kUpperRightDiagonal[] = {{6, 9}, {8, 7}, {10, 5}, {12, 3}};
constexpr Pixel kLowerLeftDiagonal[] = {{4, 13}, {3, 15}, {2, 17}};
constexpr Pixel kLowerRightDiagonal[] = {{7, 12}, {8, 14}, {9, 16}};

// Lit when the top bar or the upper left side is lit.
constexpr Pixel kUpperLeftCorner[] = {{2, 0}, {3, 0}, {4, 0}, {5, 0}, {1, 1}, {2, 1}, {3, 1},
                                      {4, 1}, {1, 2}, {2, 2}, {3, 2}, {1, 3}, {2, 3}, {1, 4}};
// Lit when the lower right side or the bottom bar is lit.
constexpr Pixel kLowerRightCorner[] = {{11, 16}, {10, 17}, {11, 17}, {9, 18},  {10, 18},
                                       {11, 18}, {8, 19},  {9, 19},  {10, 19}, {11, 19}};

template <size_t N>
constexpr PixelGroup Group(const Pixel (&pixels)[N]) {
    return {pixels, N};
}

// Indexed by segment bit: bit 10 is the top bar, bit 0 the lower right diagonal.
constexpr PixelGroup kSegments[11] = {
    Group(kLowerRightDiagonal),
    Group(kLowerLeftDiagonal),
    Group(kUpperRightDiagonal),
    Group(kUpperLeftDiagonal),
    Group(kMiddleBar),
    Group(kLeftUpper),
    Group(kLeftLower),
    Group(kBottomBar),
    Group(kRightLower),
    Group(kRightUpper),
    Group(kTopBar),
};

// Segment masks: blank, the digits 0-9, the capitals A-Z.
constexpr unsigned kGlyphMasks[kSegmentGlyphCount] = {
    0x000,                                                                 // blank
    0x7E0, 0x300, 0x6D0, 0x790, 0x330, 0x5B0, 0x5F0, 0x700, 0x7F0, 0x7B0,  // 0-9
    0x770, 0x1F0, 0x4E0, 0x3D0, 0x4F0, 0x470, 0x5F0, 0x370, 0x006, 0x3C0,  // A-J
    0x035, 0x0E0, 0x36C, 0x369, 0x1D0, 0x670, 0x7E1, 0x671, 0x5B0, 0x013,  // K-T
    0x3E0, 0x309, 0x363, 0x00F, 0x3B0, 0x486,                              // U-Z
};

void WriteGroup(uint8_t* cell, int pitch, const PixelGroup& group, bool lit) {
    const uint8_t colour = lit ? kSegmentLit : kSegmentUnlit;
    for (size_t i = 0; i < group.count; ++i) {
        cell[group.pixels[i].y * pitch + group.pixels[i].x] = colour;
    }
}

bool Bit(unsigned mask, int bit) {
    return (mask >> bit) & 1;
}

}  // namespace

int SegmentGlyphIndex(unsigned char c) {
    if (c >= '0' && c <= '9') {
        return c - 47;
    }
    if (c >= 'a' && c <= 'z') {
        c = static_cast<unsigned char>(c - 0x20);
    }
    if (c >= 'A' && c <= 'Z') {
        return c - 54;
    }
    return 0;
}

void WriteSegmentGlyphPixels(uint8_t* bits, int pitch) {
    for (int glyph = 0; glyph < kSegmentGlyphCount; ++glyph) {
        uint8_t* cell = bits + glyph * kSegmentCellWidth;
        const unsigned mask = kGlyphMasks[glyph];
        // From bit 10 down, so that a pixel two segments share ends up with
        // the lower-numbered segment's colour.
        for (int bit = 10; bit >= 0; --bit) {
            WriteGroup(cell, pitch, kSegments[bit], Bit(mask, bit));
        }
        WriteGroup(cell, pitch, Group(kLowerRightCorner), Bit(mask, 8) || Bit(mask, 7));
        WriteGroup(cell, pitch, Group(kUpperLeftCorner), Bit(mask, 10) || Bit(mask, 5));
    }
}
