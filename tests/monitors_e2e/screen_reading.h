// Reads what the monitors put on a screenshot: bitmap-font text (through
// the browsing tests' reader of the program's own fonts), segment read-outs
// cell by cell against the segment font's generated glyphs, and pictures
// against the program's own images.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "gfx/custom_bitmap.h"
#include "gfx/segment_font.h"
#include "tests/browsing_e2e/screen_text.h"
#include "platform/winmm.h"
#include "tests/support/indexed_png.h"

namespace monitors_e2e {

using browsing_e2e::Font;

// Palette indices of the text colour bands 0, 1 and 2.
inline constexpr std::uint8_t kBandZero = 1;
inline constexpr std::uint8_t kBandOne = 2;
inline constexpr std::uint8_t kBandTwo = 3;

// The system status panel at (350, 20); its read-outs from x 530 on rows 20,
// 43, 66 and 89; the device name at (35, 113) inside it.
inline constexpr int kPanelLeft = 350;
inline constexpr int kPanelTop = 20;
inline constexpr int kReadoutX = 530;
inline constexpr int kReadoutRows[] = {20, 43, 66, 89};
inline constexpr int kDeviceNameX = kPanelLeft + 35;
inline constexpr int kDeviceNameY = kPanelTop + 113;

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

// The segment read-out of row 0 to 3 of the system status panel.
inline std::string Readout(const e2e::IndexedImage& shot, int row) {
    return ReadSegments(shot, kReadoutX, kReadoutRows[row], 8);
}

// "MM SS HH" (the colons are blank cells) in milliseconds, -1 when the
// read-out is not of that form.
inline long PlayTimeMs(const std::string& readout) {
    std::smatch parts;
    if (!std::regex_match(readout, parts, std::regex("(\\d\\d) (\\d\\d) (\\d\\d)")))
        return -1;
    return std::stol(parts[1]) * 60000 + std::stol(parts[2]) * 1000 + std::stol(parts[3]) * 10;
}

// What the program lists for a device, asked through the same calls.
struct DeviceText {
    std::string name;
    std::string version;
};
inline DeviceText DescribeDevice(UINT id) {
    MIDIOUTCAPSA caps{};
    EXPECT_EQ(midiOutGetDevCapsA(id, &caps, sizeof caps), MMSYSERR_NOERROR);
    char version[16];
    std::snprintf(version, sizeof version, "v%d.%02d", (caps.vDriverVersion >> 8) & 0xFF,
                  caps.vDriverVersion & 0xFF);
    return {caps.szPname, version};
}

// The status panel's driver line: the device's name in font B and, 5 pixels
// after it, its driver version in font A.
inline void ExpectDeviceLine(const e2e::IndexedImage& shot, const DeviceText& device) {
    const int cells = static_cast<int>(device.name.size());
    EXPECT_EQ(ReadText(shot, Font::B, kDeviceNameX, kDeviceNameY, cells, kBandZero),
              Shown(device.name, Font::B));
    EXPECT_EQ(ReadText(shot, Font::A, kPanelLeft + 40 + 7 * cells, kPanelTop + 115, 8, kBandZero),
              Shown(device.version, Font::A));
}

}  // namespace monitors_e2e
