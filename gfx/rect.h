// The rectangle of panel geometry and blit areas: left, top, right, bottom
// with right and bottom exclusive, laid out exactly like a Win32 RECT so that
// a CRect is handed to DirectDraw wherever a rectangle is wanted.
#pragma once

#include "platform/win32_types.h"

class CRect : public RECT {
public:
    CRect() : RECT{0, 0, 0, 0} {}
    CRect(LONG l, LONG t, LONG r, LONG b) : RECT{l, t, r, b} {}
    CRect(const CRect&) = default;
    CRect& operator=(const CRect&) = default;
    virtual ~CRect() = default;

    // Stores the four edges.
    void Set(LONG l, LONG t, LONG r, LONG b) {
        left = l;
        top = t;
        right = r;
        bottom = b;
    }

    LONG Width() const { return right - left; }
    LONG Height() const { return bottom - top; }

    // The rectangle as DirectDraw takes it.
    RECT* AsRect() { return this; }
    const RECT* AsRect() const { return this; }
};
