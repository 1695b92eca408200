// A copy of one rectangle of an image surface onto another surface, as the
// monitor panels do many times per frame. A copy the surfaces refuse (past
// an edge) draws nothing.
#pragma once

#include "gfx/surface.h"
#include "platform/ddraw.h"

inline void CopyRect(CSurface* target, int x, int y, const CSurface& source, LONG left, LONG top,
                     LONG right, LONG bottom, bool colour_key) {
    if (target->surface == nullptr || source.surface == nullptr || x < 0 || y < 0) {
        return;
    }
    RECT rect{left, top, right, bottom};
    target->surface->BltFast(static_cast<DWORD>(x), static_cast<DWORD>(y), source.surface, &rect,
                             colour_key ? DDBLTFAST_SRCCOLORKEY : DDBLTFAST_NOCOLORKEY);
}
