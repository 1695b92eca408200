// Reads the bitmap-font text of a screenshot back into bytes: every cell is
// compared with the glyphs of the program's own fonts A and B, drawn once in
// this process. Where the screen holds text, a test can then compare words.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "gfx/text.h"
#include "tests/support/indexed_png.h"
#include "tests/gfx/gfx_test_support.h"

namespace browsing_e2e {

enum class Font { A, B };

// A cell that matches no glyph reads as this byte.
inline constexpr char kUnknownCell = '~';

class ScreenText {
public:
    // Glyph shapes of both fonts, taken from the program's fonts once.
    static const ScreenText& Get() {
        static const ScreenText reader;
        return reader;
    }

    // The text of `cells` cells from (x, y) drawn in palette `index`, with
    // trailing blanks removed.
    std::string Read(const e2e::IndexedImage& image, Font font, int x, int y, int cells,
                     std::uint8_t index) const {
        const Shapes& shapes = font == Font::A ? font_a_ : font_b_;
        std::string text;
        for (int cell = 0; cell < cells; ++cell) {
            const int left = x + cell * shapes.width;
            if (left + shapes.width > image.width || y + shapes.height > image.height)
                break;
            text += Match(shapes, Cut(image, left, y, shapes.width, shapes.height, index));
        }
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        return text;
    }

    // How `font` shows a single-byte text, as Read gives it back: capitals
    // for lower case, a blank cell for a byte without a glyph, and for
    // glyphs that look alike (font A's O and 0) the first of them.
    std::string AsShown(std::string_view text, Font font) const {
        const Shapes& shapes = font == Font::A ? font_a_ : font_b_;
        std::string shown;
        for (char c : text) {
            const int glyph = GlyphIndex(static_cast<unsigned char>(c));
            shown += glyph < 0 ? ' ' : Match(shapes, shapes.glyphs[glyph].second);
        }
        while (!shown.empty() && shown.back() == ' ')
            shown.pop_back();
        return shown;
    }

private:
    using Mask = std::vector<bool>;
    struct Shapes {
        int width = 0;
        int height = 0;
        std::vector<std::pair<char, Mask>> glyphs;  // in glyph order
    };

    ScreenText() {
        EnsureHeadlessDisplay();
        InitText();
        font_a_ = Draw(Font::A);
        font_b_ = Draw(Font::B);
    }

    static Shapes Draw(Font font) {
        Shapes shapes;
        shapes.width = font == Font::A ? kFontACellWidth : kFontBCellWidth;
        shapes.height = font == Font::A ? kFontACellHeight : kFontBCellHeight;
        for (int g = 0; g < kGlyphCount; ++g) {
            CSurface cell = MakeSurface(shapes.width, shapes.height);
            const char text[2] = {kGlyphMap[g], '\0'};
            if (font == Font::A)
                DrawTextFontA(&cell, 0, 0, text, 1, 1);
            else
                DrawTextFontB(&cell, 0, 0, text, 1, 1);
            Mask mask;
            for (BYTE pixel : ReadPixels(cell))
                mask.push_back(pixel != 0);
            shapes.glyphs.emplace_back(kGlyphMap[g], std::move(mask));
        }
        return shapes;
    }

    static Mask Cut(const e2e::IndexedImage& image, int left, int top, int width, int height,
                    std::uint8_t index) {
        Mask mask;
        for (int y = top; y < top + height; ++y)
            for (int x = left; x < left + width; ++x)
                mask.push_back(image.At(x, y) == index);
        return mask;
    }

    static char Match(const Shapes& shapes, const Mask& mask) {
        for (const auto& [byte, glyph] : shapes.glyphs)
            if (glyph == mask)
                return byte;
        return kUnknownCell;
    }

    Shapes font_a_;
    Shapes font_b_;
};

// How font B, the font of labels and messages, shows a text.
inline std::string AsShown(std::string_view text) {
    return ScreenText::Get().AsShown(text, Font::B);
}

}  // namespace browsing_e2e
