// Japanese Gothic fonts through fontconfig and FreeType: finds the font file
// for a face name and rasterises monochrome glyphs, caching what it made.
// Not thread-safe by itself: the GDI layer calls it under its one lock.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace platform::gdi {

// One rendered glyph: a 1-byte-per-pixel mask (non-zero = ink).
struct Glyph {
    int width_px = 0;
    int height_px = 0;
    int left_px = 0;     // from the pen position to the mask's left column
    int top_px = 0;      // from the baseline up to the mask's top row
    int advance_px = 0;  // pen movement
    std::vector<std::uint8_t> mask;
};

struct FontMetrics {
    int ascent_px = 0;
    int descent_px = 0;
};

class FontLibrary {
public:
    static FontLibrary& Get();
    ~FontLibrary();

    // The font file for a face name given in UTF-8 ("" when none is found).
    std::string FindFontFile(const std::string& face_utf8);
    // The pixel size whose cell (ascent + descent) is `cell_height_px`.
    int PixelSizeForCell(const std::string& file, int cell_height_px);
    FontMetrics Metrics(const std::string& file, int pixel_size);
    // Null when the file cannot be opened.
    const Glyph* Render(const std::string& file, int pixel_size, bool bold, char32_t code_point);

    void OverrideFile(const std::string& path) { override_file_ = path; }

private:
    FontLibrary();
    struct Face;
    Face* OpenFace(const std::string& file);

    void* library_ = nullptr;  // FT_Library
    std::string override_file_;
    std::map<std::string, std::string> found_files_;
    std::map<std::string, std::unique_ptr<Face>> faces_;
    std::map<std::tuple<std::string, int, bool, char32_t>, Glyph> glyphs_;
};

}  // namespace platform::gdi
