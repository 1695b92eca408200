#include "gfx/segment_font.h"

#include "gfx/exception.h"
#include "gfx/surface.h"
#include "platform/ddraw.h"

namespace {

struct SegmentFont {
    bool ready = false;
    CSurface glyphs;
};

SegmentFont& Font() {
    static SegmentFont font;
    return font;
}

void RenderSegmentGlyphs(CSurface& glyphs) {
    glyphs.Fill(nullptr, 0);
    if (!glyphs.Lock(nullptr, DDLOCK_WRITEONLY)) {
        return;  // the glyphs stay cleared
    }
    WriteSegmentGlyphPixels(glyphs.bits, glyphs.pitch);
    glyphs.Unlock();
}

}  // namespace

void InitSegmentFont() {
    SegmentFont& font = Font();
    if (font.ready) {
        return;
    }
    const SIZE size{kSegmentSurfaceWidth, kSegmentCellHeight};
    if (!font.glyphs.Create(DDSCAPS_OFFSCREENPLAIN, &size)) {
        throw IException(0);
    }
    RenderSegmentGlyphs(font.glyphs);
    font.ready = true;
}

int DrawSegmentText(CSurface* target, int x, int y, const char* text) {
    SegmentFont& font = Font();
    if (!font.ready || target == nullptr || target->surface == nullptr || text == nullptr) {
        return 0;
    }
    DDCOLORKEY key{0, 0};
    font.glyphs.surface->SetColorKey(DDCKEY_SRCBLT, &key);
    for (int i = 0; text[i] != '\0'; ++i) {
        const int glyph = SegmentGlyphIndex(static_cast<unsigned char>(text[i]));
        RECT source{glyph * kSegmentCellWidth, 0, glyph * kSegmentCellWidth + kSegmentCellWidth,
                    kSegmentCellHeight};
        // A cell past the target's edge is refused by the blit and not drawn.
        target->surface->BltFast(static_cast<DWORD>(x + kSegmentCellWidth * i),
                                 static_cast<DWORD>(y), font.glyphs.surface, &source,
                                 DDBLTFAST_SRCCOLORKEY);
    }
    return 0;
}

void RestoreSegmentFont() {
    SegmentFont& font = Font();
    if (!font.ready) {
        return;
    }
    font.glyphs.Restore();
    RenderSegmentGlyphs(font.glyphs);
}
