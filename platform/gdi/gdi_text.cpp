// Fonts, device contexts and the text calls. One lock covers the handle
// tables and the font library, so text may be drawn from any thread.
#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/codepage.h"
#include "platform/backends/fonts/font_library.h"
#include "platform/gdi/surface_dc.h"

namespace platform::gdi {
namespace {

constexpr int kDefaultHeight_px = 16;

struct FontSpec {
    std::string file;  // empty: no font was found, draw nothing
    int pixel_size = kDefaultHeight_px;
    bool bold = false;
};

struct DeviceContext {
    DcTarget target;
    HGDIOBJ font_handle = nullptr;
    FontSpec font;
    COLORREF text_colour = 0;
    COLORREF background_colour = 0xFFFFFF;
    int background_mode = OPAQUE;
};

struct Tables {
    std::mutex lock;
    std::uintptr_t next_handle = 0x1000;
    std::map<std::uintptr_t, FontSpec> fonts;
    std::map<std::uintptr_t, DeviceContext> contexts;
    std::uintptr_t stock_font = 0;
};

// The tables outlive every static object of the program: fonts held by the
// program's own singletons are deleted during exit, after a function-local
// static table would already have been destroyed.
Tables& GetTables() {
    static Tables* tables = new Tables;
    return *tables;
}

std::uintptr_t Key(const void* handle) {
    return reinterpret_cast<std::uintptr_t>(handle);
}

FontSpec MakeFont(int height, int weight, const std::string& face_utf8) {
    FontLibrary& library = FontLibrary::Get();
    FontSpec font;
    font.file = library.FindFontFile(face_utf8);
    font.bold = weight >= 600;
    if (height > 0)
        font.pixel_size = library.PixelSizeForCell(font.file, height);
    else if (height < 0)
        font.pixel_size = -height;
    return font;
}

// Called with the lock held: the stock font every new context starts with.
std::uintptr_t StockFont(Tables& tables) {
    if (!tables.stock_font) {
        tables.stock_font = tables.next_handle++;
        tables.fonts[tables.stock_font] = MakeFont(kDefaultHeight_px, FW_NORMAL, "IPAGothic");
    }
    return tables.stock_font;
}

DeviceContext* FindContext(Tables& tables, HDC dc) {
    auto it = tables.contexts.find(Key(dc));
    return it == tables.contexts.end() ? nullptr : &it->second;
}

// Gives one setting of a context a new value and returns the old one, or
// `failure` when the handle names no context.
template <typename Value>
Value ExchangeSetting(HDC dc, Value DeviceContext::*setting, std::type_identity_t<Value> value,
                      std::type_identity_t<Value> failure) {
    Tables& tables = GetTables();
    std::lock_guard guard(tables.lock);
    DeviceContext* context = FindContext(tables, dc);
    return context ? std::exchange(context->*setting, value) : failure;
}

BYTE NearestIndex(const std::array<PALETTEENTRY, 256>& palette, COLORREF colour) {
    const int red = GetRValue(colour), green = GetGValue(colour), blue = GetBValue(colour);
    int best = 0;
    long best_distance = -1;
    for (int index = 0; index < 256; ++index) {
        const long dr = palette[index].peRed - red, dg = palette[index].peGreen - green,
                   db = palette[index].peBlue - blue;
        const long distance = dr * dr + dg * dg + db * db;
        if (best_distance < 0 || distance < best_distance) {
            best = index;
            best_distance = distance;
            if (distance == 0)
                break;
        }
    }
    return static_cast<BYTE>(best);
}

// The converter yields valid UTF-8, so a plain decode suffices; a cut-off
// sequence at the end is dropped.
std::u32string DecodeUtf8(const std::string& text) {
    std::u32string out;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char lead = text[i];
        const std::size_t extra = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
        if (i + extra >= text.size() && extra > 0)
            break;
        char32_t code = extra == 0   ? lead
                        : extra == 1 ? lead & 0x1F
                        : extra == 2 ? lead & 0x0F
                                     : lead & 0x07;
        for (std::size_t k = 1; k <= extra; ++k)
            code = (code << 6) | (text[i + k] & 0x3F);
        out.push_back(code);
        i += extra + 1;
    }
    return out;
}

// A length that ends on the lead byte of a double-byte character cuts that
// character; it is left out rather than drawn as a replacement mark.
std::size_t WholeCharacters(const char* text, int length) {
    std::size_t whole = 0;
    const auto size = static_cast<std::size_t>(length);
    while (whole < size) {
        const bool pair = platform::IsCp932LeadByte(static_cast<unsigned char>(text[whole]));
        if (pair && whole + 1 == size)
            break;
        whole += pair ? 2 : 1;
    }
    return whole;
}

std::u32string FromCp932(const char* text, int length) {
    return DecodeUtf8(platform::Cp932ToUtf8(std::string_view(text, WholeCharacters(text, length))));
}

int LineWidth(const FontSpec& font, const std::u32string& line) {
    int width = 0;
    for (char32_t code : line)
        if (const Glyph* glyph =
                FontLibrary::Get().Render(font.file, font.pixel_size, font.bold, code))
            width += glyph->advance_px;
    return width;
}

int LineHeight(const FontSpec& font) {
    const FontMetrics metrics = FontLibrary::Get().Metrics(font.file, font.pixel_size);
    return metrics.ascent_px + metrics.descent_px;
}

// Draws one line with its cell's top-left corner at (x, y), inside `clip`
// and inside the line's cell: outlines that reach past the font's ascent or
// descent (a bold stroke, a small size's rounding) are cut at the cell.
void DrawLine(DeviceContext& context, int x, int y, const std::u32string& line, RECT clip) {
    if (context.font.file.empty())
        return;
    const FontSpec& font = context.font;
    const FontMetrics metrics = FontLibrary::Get().Metrics(font.file, font.pixel_size);
    clip.top = std::max<LONG>(clip.top, y);
    clip.bottom = std::min<LONG>(clip.bottom, y + metrics.ascent_px + metrics.descent_px);
    const int baseline = y + metrics.ascent_px;
    const DcTarget& target = context.target;
    const BYTE ink = NearestIndex(target.palette, context.text_colour);
    if (context.background_mode == OPAQUE) {
        const BYTE paper = NearestIndex(target.palette, context.background_colour);
        const int right = x + LineWidth(font, line);
        for (int row = std::max<int>(y, clip.top);
             row < std::min<int>(y + metrics.ascent_px + metrics.descent_px, clip.bottom); ++row)
            for (int column = std::max<int>(x, clip.left);
                 column < std::min<int>(right, clip.right); ++column)
                target.bits[static_cast<std::ptrdiff_t>(row) * target.pitch + column] = paper;
    }
    int pen = x;
    for (char32_t code : line) {
        const Glyph* glyph =
            code < 0x20 ? nullptr
                        : FontLibrary::Get().Render(font.file, font.pixel_size, font.bold, code);
        if (!glyph)
            continue;
        for (int row = 0; row < glyph->height_px; ++row) {
            const int py = baseline - glyph->top_px + row;
            if (py < clip.top || py >= clip.bottom)
                continue;
            for (int column = 0; column < glyph->width_px; ++column) {
                const int px = pen + glyph->left_px + column;
                if (px < clip.left || px >= clip.right ||
                    !glyph->mask[row * glyph->width_px + column])
                    continue;
                target.bits[static_cast<std::ptrdiff_t>(py) * target.pitch + px] = ink;
            }
        }
        pen += glyph->advance_px;
    }
}

RECT SurfaceBounds(const DcTarget& target) {
    return RECT{0, 0, target.width_px, target.height_px};
}

RECT Intersect(const RECT& a, const RECT& b) {
    return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
}

}  // namespace

HDC CreateSurfaceDC(const DcTarget& target) {
    Tables& tables = GetTables();
    std::lock_guard guard(tables.lock);
    const std::uintptr_t handle = tables.next_handle++;
    DeviceContext context;
    context.target = target;
    context.font_handle = reinterpret_cast<HGDIOBJ>(StockFont(tables));
    context.font = tables.fonts[Key(context.font_handle)];
    tables.contexts[handle] = context;
    return reinterpret_cast<HDC>(handle);
}

void DeleteSurfaceDC(HDC dc) {
    Tables& tables = GetTables();
    std::lock_guard guard(tables.lock);
    tables.contexts.erase(Key(dc));
}

}  // namespace platform::gdi

using namespace platform::gdi;

HFONT CreateFontA(int height, int, int, int, int weight, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD,
                  DWORD, DWORD, LPCSTR face_name) {
    Tables& tables = GetTables();
    std::lock_guard guard(tables.lock);
    const std::string face = face_name ? platform::Cp932ToUtf8(face_name) : std::string();
    const std::uintptr_t handle = tables.next_handle++;
    tables.fonts[handle] = MakeFont(height, weight, face);
    return reinterpret_cast<HFONT>(handle);
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    Tables& tables = GetTables();
    std::lock_guard guard(tables.lock);
    DeviceContext* context = FindContext(tables, dc);
    auto font = tables.fonts.find(Key(object));
    if (!context || font == tables.fonts.end())
        return nullptr;
    HGDIOBJ previous = context->font_handle;
    context->font_handle = object;
    context->font = font->second;
    return previous;
}

BOOL DeleteObject(HGDIOBJ object) {
    Tables& tables = GetTables();
    std::lock_guard guard(tables.lock);
    // The stock font is never deleted; contexts keep a copy of their font.
    if (Key(object) == tables.stock_font)
        return TRUE;
    return tables.fonts.erase(Key(object)) ? TRUE : FALSE;
}

COLORREF SetTextColor(HDC dc, COLORREF colour) {
    return ExchangeSetting(dc, &DeviceContext::text_colour, colour & 0xFFFFFF, CLR_INVALID);
}

COLORREF SetBkColor(HDC dc, COLORREF colour) {
    return ExchangeSetting(dc, &DeviceContext::background_colour, colour & 0xFFFFFF, CLR_INVALID);
}

int SetBkMode(HDC dc, int mode) {
    if (mode != TRANSPARENT && mode != OPAQUE)
        return 0;
    return ExchangeSetting(dc, &DeviceContext::background_mode, mode, 0);
}

BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int length) {
    Tables& tables = GetTables();
    std::lock_guard guard(tables.lock);
    DeviceContext* context = FindContext(tables, dc);
    if (!context || length < 0 || (!text && length > 0))
        return FALSE;
    if (length > 0)
        DrawLine(*context, x, y, FromCp932(text, length), SurfaceBounds(context->target));
    return TRUE;
}

int DrawTextA(HDC dc, LPCSTR text, int length, LPRECT rect, UINT format) {
    Tables& tables = GetTables();
    std::lock_guard guard(tables.lock);
    DeviceContext* context = FindContext(tables, dc);
    if (!context || !rect || !text)
        return 0;
    if (length < 0)
        length = static_cast<int>(std::strlen(text));
    const std::u32string all = FromCp932(text, length);
    std::vector<std::u32string> lines;
    if (format & DT_SINGLELINE) {
        lines.push_back(all);
    } else {
        lines.emplace_back();
        for (char32_t code : all) {
            if (code == U'\n')
                lines.emplace_back();
            else if (code != U'\r')
                lines.back().push_back(code);
        }
    }
    const int line_height = LineHeight(context->font);
    const int total_height = line_height * static_cast<int>(lines.size());
    if (format & DT_CALCRECT) {
        int widest = 0;
        for (const auto& line : lines)
            widest = std::max(widest, LineWidth(context->font, line));
        rect->right = rect->left + widest;
        rect->bottom = rect->top + total_height;
        return total_height;
    }
    const RECT bounds = SurfaceBounds(context->target);
    const RECT clip = (format & DT_NOCLIP) ? bounds : Intersect(*rect, bounds);
    int y = rect->top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER)
            y = rect->top + (rect->bottom - rect->top - line_height) / 2;
        else if (format & DT_BOTTOM)
            y = rect->bottom - line_height;
    }
    for (const auto& line : lines) {
        int x = rect->left;
        if (format & (DT_CENTER | DT_RIGHT)) {
            const int spare = rect->right - rect->left - LineWidth(context->font, line);
            x += (format & DT_CENTER) ? spare / 2 : spare;
        }
        DrawLine(*context, x, y, line, clip);
        y += line_height;
    }
    return total_height;
}

BOOL GetTextExtentPoint32A(HDC dc, LPCSTR text, int length, SIZE* size) {
    Tables& tables = GetTables();
    std::lock_guard guard(tables.lock);
    DeviceContext* context = FindContext(tables, dc);
    if (!context || !size || length < 0 || (!text && length > 0))
        return FALSE;
    size->cx = length > 0 ? LineWidth(context->font, FromCp932(text, length)) : 0;
    size->cy = LineHeight(context->font);
    return TRUE;
}

namespace platform {

void OverrideFontFile(const char* path) {
    Tables& tables = GetTables();
    std::lock_guard guard(tables.lock);
    FontLibrary::Get().OverrideFile(path ? path : "");
}

}  // namespace platform
