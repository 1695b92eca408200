#include "platform/backends/fonts/font_library.h"
#include "platform/report.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace platform::gdi {

struct FontLibrary::Face {
    FT_Face face = nullptr;
    ~Face() {
        if (face)
            FT_Done_Face(face);
    }
};

namespace {

FT_Library AsLibrary(void* library) {
    return static_cast<FT_Library>(library);
}

// The Japanese face names the program asks for map onto the IPA Gothic
// faces: "P" Gothic (proportional) and Gothic (fixed pitch).
std::string FamilyFor(const std::string& face) {
    const bool gothic =
        face.find("ゴシック") != std::string::npos || face.find("Gothic") != std::string::npos;
    const bool proportional =
        face.find("Ｐゴシック") != std::string::npos || face.find("PGothic") != std::string::npos;
    if (gothic)
        return proportional ? "IPAPGothic" : "IPAGothic";
    return face;
}

// Asks fontconfig for `family` restricted to fonts that can write Japanese.
std::string MatchJapanese(const std::string& family) {
    FcPattern* pattern = FcPatternCreate();
    if (!family.empty())
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    std::string file;
    if (match) {
        FcChar8* path = nullptr;
        FcCharSet* characters = nullptr;
        const bool has_kana =
            FcPatternGetCharSet(match, FC_CHARSET, 0, &characters) == FcResultMatch &&
            FcCharSetHasChar(characters, 0x3042) && FcCharSetHasChar(characters, 0x6F22);
        if (has_kana && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch)
            file = reinterpret_cast<const char*>(path);
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return file;
}

}  // namespace

FontLibrary& FontLibrary::Get() {
    static FontLibrary library;
    return library;
}

FontLibrary::FontLibrary() {
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) == 0)
        library_ = library;
    else
        Report("GDI", "the font library could not start; text will not be drawn");
}

FontLibrary::~FontLibrary() {
    glyphs_.clear();
    faces_.clear();
    if (library_)
        FT_Done_FreeType(AsLibrary(library_));
}

std::string FontLibrary::FindFontFile(const std::string& face_utf8) {
    if (!override_file_.empty())
        return override_file_;
    if (auto it = found_files_.find(face_utf8); it != found_files_.end())
        return it->second;
    std::string file;
    if (FcInit()) {
        file = MatchJapanese(FamilyFor(face_utf8));
        if (file.empty())
            file = MatchJapanese("IPAGothic");
        if (file.empty())
            file = MatchJapanese("");
    }
    if (file.empty())
        Report("GDI", "no Japanese font found for \"%s\"; text will not be drawn",
               face_utf8.c_str());
    found_files_[face_utf8] = file;
    return file;
}

FontLibrary::Face* FontLibrary::OpenFace(const std::string& file) {
    if (file.empty() || !library_)
        return nullptr;
    if (auto it = faces_.find(file); it != faces_.end())
        return it->second.get();
    auto face = std::make_unique<Face>();
    if (FT_New_Face(AsLibrary(library_), file.c_str(), 0, &face->face) != 0 ||
        !FT_IS_SCALABLE(face->face))
        face.reset();
    Face* opened = face.get();
    faces_[file] = std::move(face);
    return opened;
}

int FontLibrary::PixelSizeForCell(const std::string& file, int cell_height_px) {
    Face* face = OpenFace(file);
    if (!face)
        return cell_height_px;
    const long cell_units = face->face->ascender - face->face->descender;
    if (cell_units <= 0)
        return cell_height_px;
    const long size = std::lround(double(cell_height_px) * face->face->units_per_EM / cell_units);
    return size < 1 ? 1 : static_cast<int>(size);
}

FontMetrics FontLibrary::Metrics(const std::string& file, int pixel_size) {
    Face* face = OpenFace(file);
    if (!face || face->face->units_per_EM == 0)
        return {pixel_size, 0};
    const double scale = double(pixel_size) / face->face->units_per_EM;
    return {static_cast<int>(std::lround(face->face->ascender * scale)),
            static_cast<int>(std::lround(-face->face->descender * scale))};
}

const Glyph* FontLibrary::Render(const std::string& file, int pixel_size, bool bold,
                                 char32_t code_point) {
    const auto key = std::make_tuple(file, pixel_size, bold, code_point);
    if (auto it = glyphs_.find(key); it != glyphs_.end())
        return &it->second;
    Face* face = OpenFace(file);
    if (!face)
        return nullptr;
    FT_Face ft = face->face;
    Glyph glyph;
    if (FT_Set_Pixel_Sizes(ft, 0, static_cast<FT_UInt>(pixel_size)) == 0 &&
        FT_Load_Char(ft, code_point, FT_LOAD_TARGET_MONO | FT_LOAD_NO_BITMAP) == 0) {
        if (bold && ft->glyph->format == FT_GLYPH_FORMAT_OUTLINE)
            FT_Outline_Embolden(&ft->glyph->outline, std::max<FT_Pos>(pixel_size * 64 / 24, 32));
        glyph.advance_px = static_cast<int>((ft->glyph->advance.x + 32) >> 6) + (bold ? 1 : 0);
        if (FT_Render_Glyph(ft->glyph, FT_RENDER_MODE_MONO) == 0) {
            const FT_Bitmap& bitmap = ft->glyph->bitmap;
            glyph.width_px = static_cast<int>(bitmap.width);
            glyph.height_px = static_cast<int>(bitmap.rows);
            glyph.left_px = ft->glyph->bitmap_left;
            glyph.top_px = ft->glyph->bitmap_top;
            glyph.mask.resize(static_cast<std::size_t>(glyph.width_px) * glyph.height_px);
            for (int row = 0; row < glyph.height_px; ++row) {
                const unsigned char* bits = bitmap.buffer + row * bitmap.pitch;
                for (int column = 0; column < glyph.width_px; ++column)
                    glyph.mask[row * glyph.width_px + column] =
                        (bits[column >> 3] >> (7 - (column & 7))) & 1;
            }
        }
    }
    return &glyphs_.emplace(key, std::move(glyph)).first->second;
}

}  // namespace platform::gdi
