#include "gfx/text.h"

#include <cstring>

#include "display/display.h"
#include "gfx/critical_section.h"
#include "gfx/custom_bitmap.h"
#include "gfx/draw.h"
#include "gfx/glyph_cache.h"
#include "gfx/surface.h"
#include "platform/gdi.h"
#include "platform/kernel.h"

namespace {

// "ＭＳ ゴシック" in CP932: the Japanese Gothic face double-byte glyphs use.
constexpr char kGdiFaceName[] = "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E";

struct FontLayout {
    int cell_width;
    int cell_height;
    const char* image_name;
};

constexpr FontLayout kLayouts[2] = {
    {kFontACellWidth, kFontACellHeight, "IDR_CUSTBMP_TINYFONT_A"},
    {kFontBCellWidth, kFontBCellHeight, "IDR_CUSTBMP_TINYFONT_B"},
};

// One tiny font: the glyph image in six colour bands, and the cache of
// double-byte characters rasterised through GDI.
struct CTinyFont {
    explicit CTinyFont(const FontLayout& font_layout) : layout(font_layout) {}
    CTinyFont(const CTinyFont&) = delete;
    CTinyFont& operator=(const CTinyFont&) = delete;
    ~CTinyFont() {
        if (gdi_font != nullptr) {
            DeleteObject(gdi_font);
        }
    }

    const FontLayout& layout;
    CCriticalSection lock;
    CSurface glyphs;
    CSurface cache;
    CGlyphCache slots;
    HFONT gdi_font = nullptr;
};

// Makes GDI ink in the cache land on index 1 whatever the display's palette
// holds at the time (all black during a fade-in would map white onto 0 and
// lose the glyph): the cache surface gets its own palette, 0 black and every
// other entry white.
void AttachInkPalette(CSurface& cache) {
    if (cache.surface == nullptr) {
        return;
    }
    PALETTEENTRY entries[256] = {};
    for (int i = 1; i < 256; ++i) {
        entries[i].peRed = entries[i].peGreen = entries[i].peBlue = 255;
    }
    IDirectDrawPalette* palette = nullptr;
    if (GetDisplay().CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries, &palette) == DD_OK &&
        palette != nullptr) {
        cache.surface->SetPalette(palette);
        palette->Release();  // the surface keeps its own reference
    }
}

// Writes the font image into the six bands of the glyph surface: pixels
// equal to the image's top-left pixel become 0, the others the band's index.
bool LoadGlyphBitmaps(CTinyFont& font) {
    CSurface image = LoadCustomBitmap(font.layout.image_name, 1);
    bool done = false;
    if (font.glyphs.Lock()) {
        if (image.Lock()) {
            const BYTE key = image.bits[0];
            const int columns = image.width < font.glyphs.width ? image.width : font.glyphs.width;
            const int rows =
                image.height < font.layout.cell_height ? image.height : font.layout.cell_height;
            for (int band = 0; band < kTextColourCount; ++band) {
                for (int j = 0; j < rows; ++j) {
                    const BYTE* source = image.bits + static_cast<std::ptrdiff_t>(j) * image.pitch;
                    BYTE* target = font.glyphs.bits +
                                   static_cast<std::ptrdiff_t>(band * font.layout.cell_height + j) *
                                       font.glyphs.pitch;
                    for (int k = 0; k < columns; ++k) {
                        target[k] = source[k] == key ? 0 : kTextBandIndex[band];
                    }
                }
            }
            image.Unlock();
            done = true;
        }
        font.glyphs.Unlock();
    }
    image.surface->Release();
    return done;
}

class CTextRenderer {
public:
    CTextRenderer() : fonts_{CTinyFont(kLayouts[0]), CTinyFont(kLayouts[1])} {}

    void Init() {
        if (initialised_) {
            return;
        }
        for (CTinyFont& font : fonts_) {
            const int cw = font.layout.cell_width;
            const int ch = font.layout.cell_height;
            const SIZE glyph_size{kGlyphCount * cw, kTextColourCount * ch};
            const SIZE cache_size{CGlyphCache::kSlotCount * cw, ch};
            if (font.glyphs.surface == nullptr) {
                font.glyphs.Create(0, &glyph_size);
            }
            if (font.cache.surface == nullptr) {
                font.cache.Create(0, &cache_size);
                AttachInkPalette(font.cache);
            }
        }
        for (CTinyFont& font : fonts_) {
            if (!LoadGlyphBitmaps(font)) {
                throw 2;
            }
        }
        for (CTinyFont& font : fonts_) {
            if (font.gdi_font == nullptr) {
                font.gdi_font = CreateFontA(font.layout.cell_width, 0, 0, 0, 100, 0, 0, 0, 1, 2, 1,
                                            2, 2, kGdiFaceName);
            }
        }
        initialised_ = true;
    }

    void Draw(int which, CSurface* target, int x, int y, const char* text, int transparent,
              int colour) {
        if (!initialised_ || target == nullptr || target->surface == nullptr || text == nullptr) {
            return;
        }
        if (colour < 0 || colour >= kTextColourCount) {
            colour = 0;
        }
        CTinyFont& font = fonts_[which];
        CCriticalSectionLock hold(font.lock);
        char buffer[kMaxTextBytes + 1];
        const int length = ClampTextLength(text);
        std::memcpy(buffer, text, length);
        buffer[length] = '\0';

        if (transparent) {
            DDCOLORKEY key{0, 0};
            if (font.glyphs.surface != nullptr) {
                font.glyphs.surface->SetColorKey(DDCKEY_SRCBLT, &key);
            }
            if (font.cache.surface != nullptr) {
                font.cache.surface->SetColorKey(DDCKEY_SRCBLT, &key);
            }
        }
        const DWORD flags = transparent ? DDBLTFAST_SRCCOLORKEY : DDBLTFAST_NOCOLORKEY;
        const int cw = font.layout.cell_width;
        const int ch = font.layout.cell_height;
        for (int pos = 0; pos < length;) {
            const BYTE b = static_cast<BYTE>(buffer[pos]);
            if (IsDBCSLeadByte(b)) {
                const int offset = RenderDoubleByte(font, b, static_cast<BYTE>(buffer[pos + 1]),
                                                    kTextBandIndex[colour]);
                if (offset != -1) {
                    RECT source{offset, 0, offset + cw, ch - 1};
                    Blit(target, x, y, font.cache.surface, &source, flags);
                }
                pos += 2;
            } else {
                const int glyph = GlyphIndex(b);
                if (glyph >= 0) {
                    RECT source{glyph * cw, colour * ch, (glyph + 1) * cw, colour * ch + ch - 1};
                    Blit(target, x, y, font.glyphs.surface, &source, flags);
                }
                pos += 1;
            }
            x += cw;
        }
    }

    void Restore() {
        if (!initialised_) {
            return;
        }
        CCriticalSectionLock hold_a(fonts_[0].lock);
        CCriticalSectionLock hold_b(fonts_[1].lock);
        for (CTinyFont& font : fonts_) {
            font.glyphs.Restore();
            font.cache.Restore();
            font.slots.Reset();
        }
        for (CTinyFont& font : fonts_) {
            if (!LoadGlyphBitmaps(font)) {
                break;
            }
        }
    }

private:
    // The target refuses a copy that leaves it, so a glyph past an edge is
    // simply not drawn; negative positions are refused the same way.
    static void Blit(CSurface* target, int x, int y, IDirectDrawSurface* source, RECT* area,
                     DWORD flags) {
        if (source == nullptr || x < 0 || y < 0) {
            return;
        }
        target->surface->BltFast(static_cast<DWORD>(x), static_cast<DWORD>(y), source, area, flags);
    }

    // The x offset of the character's slot in the cache surface, rendering
    // it on a miss; -1 when it cannot be rendered.
    static int RenderDoubleByte(CTinyFont& font, BYTE lead, BYTE trail, BYTE index) {
        const CGlyphCache::Lookup found = font.slots.Find(CGlyphCache::MakeKey(lead, trail, index));
        const int cw = font.layout.cell_width;
        const int offset = found.slot * cw;
        if (found.hit) {
            return offset;
        }
        CSurface& cache = font.cache;
        FillRect(cache.surface, offset, 0, offset + cw, font.layout.cell_height, 0);
        if (cache.surface == nullptr || cache.dc != nullptr) {
            return -1;
        }
        HDC dc = nullptr;
        if (cache.surface->GetDC(&dc) != DD_OK || dc == nullptr) {
            return -1;
        }
        cache.dc = dc;
        RECT cell{offset, 0, offset + cw, font.layout.cell_height};
        const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        HGDIOBJ previous = SelectObject(dc, font.gdi_font);
        SetTextColor(dc, RGB(255, 255, 255));
        SetBkMode(dc, TRANSPARENT);
        DrawTextA(dc, pair, 2, &cell, 0);
        SelectObject(dc, previous);
        cache.surface->ReleaseDC(dc);
        cache.dc = nullptr;

        if (cache.Lock(&cell)) {
            for (int row = 0; row < font.layout.cell_height; ++row) {
                BYTE* p = cache.bits + static_cast<std::ptrdiff_t>(row) * cache.pitch;
                for (int column = 0; column < cw; ++column) {
                    if (p[column] != 0) {
                        p[column] = index;
                    }
                }
            }
            cache.Unlock();
        }
        return offset;
    }

    CTinyFont fonts_[2];
    bool initialised_ = false;
};

CTextRenderer& Renderer() {
    static CTextRenderer renderer;
    return renderer;
}

}  // namespace

int GlyphIndex(unsigned char byte) {
    if (byte >= 0x61 && byte <= 0x7A) {
        byte = static_cast<unsigned char>(byte - 0x20);
    }
    if (byte == 0) {
        return -1;
    }
    const void* found = std::memchr(kGlyphMap, byte, kGlyphCount);
    return found == nullptr ? -1 : static_cast<int>(static_cast<const char*>(found) - kGlyphMap);
}

int ClampTextLength(const char* text) {
    int length = 0;
    while (length < kMaxTextBytes && text[length] != '\0') {
        if (IsDBCSLeadByte(static_cast<BYTE>(text[length]))) {
            // A double-byte character that does not fit whole, or whose
            // trail byte is missing, ends the text.
            if (length + 2 > kMaxTextBytes || text[length + 1] == '\0') {
                break;
            }
            length += 2;
        } else {
            length += 1;
        }
    }
    return length;
}

void InitText() {
    Renderer().Init();
}

void DrawTextFontA(CSurface* target, int x, int y, const char* text, int transparent, int colour) {
    Renderer().Draw(0, target, x, y, text, transparent, colour);
}

void DrawTextFontB(CSurface* target, int x, int y, const char* text, int transparent, int colour) {
    Renderer().Draw(1, target, x, y, text, transparent, colour);
}

void RestoreText() {
    Renderer().Restore();
}
