// Reads what the monitors put on a screenshot: bitmap-font text (through
// the browsing tests' reader of the program's own fonts), segment read-outs
// cell by cell against the segment font's generated glyphs, and pictures
// against the program's own images.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gfx/custom_bitmap.h"
#include "gfx/segment_font.h"
#include "tests/browsing_e2e/screen_text.h"
#include "tests/e2e_support/indexed_png.h"

namespace monitors_e2e {

using browsing_e2e::Font;

// Text of `cells` cells from (x, y) in palette `index`, trailing blanks cut.
inline std::string ReadText(const e2e::IndexedImage& image, Font font, int x, int y, int cells,
                            std::uint8_t index) {
    return browsing_e2e::ScreenText::Get().Read(image, font, x, y, cells, index);
}

// How a font shows a text, as ReadText gives it back.
inline std::string Shown(const std::string& text, Font font) {
    return browsing_e2e::ScreenText::Get().AsShown(text, font);
}

// The segment read-out of `cells` cells from (x, y): digits and capitals,
// ' ' for the blank glyph (also what ':' is drawn as), '?' for a cell that is
// no glyph at all. Each cell must match a glyph pixel for pixel, the
// transparent pixels included (the panel is empty behind the read-outs).
inline std::string ReadSegments(const e2e::IndexedImage& image, int x, int y, int cells) {
    static const std::vector<std::uint8_t> glyphs = [] {
        std::vector<std::uint8_t> pixels(kSegmentSurfaceWidth * kSegmentCellHeight, 0);
        WriteSegmentGlyphPixels(pixels.data(), kSegmentSurfaceWidth);
        return pixels;
    }();
    static const std::string kGlyphChars = " 0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::string text;
    for (int cell = 0; cell < cells; ++cell) {
        const int left = x + cell * kSegmentCellWidth;
        char found = '?';
        for (int glyph = 0; glyph < kSegmentGlyphCount && found == '?'; ++glyph) {
            bool same = left + kSegmentCellWidth <= image.width;
            for (int row = 0; same && row < kSegmentCellHeight; ++row)
                for (int col = 0; same && col < kSegmentCellWidth; ++col)
                    same = image.At(left + col, y + row) ==
                           glyphs[row * kSegmentSurfaceWidth + glyph * kSegmentCellWidth + col];
            if (same)
                found = kGlyphChars[glyph];
        }
        text += found;
    }
    return text;
}

// Whether the rectangle at (x, y) holds the program's image `name` (or the
// part of it from source_x on, `width` columns) pixel for pixel.
inline bool ShowsImage(const e2e::IndexedImage& image, int x, int y, const char* name, int source_x,
                       int width) {
    SIZE size{};
    int bits = 0;
    const BYTE* pixels = FindCustomBitmap(name, 1, &size, &bits);
    if (pixels == nullptr || source_x + width > size.cx)
        return false;
    for (int row = 0; row < size.cy; ++row)
        for (int col = 0; col < width; ++col)
            if (image.At(x + col, y + row) != pixels[row * size.cx + source_x + col])
                return false;
    return true;
}

// The palette colour of an entry, for comparing entries with each other.
inline std::array<std::uint8_t, 3> Colour(const e2e::IndexedImage& image, int index) {
    return image.palette[index];
}

}  // namespace monitors_e2e
