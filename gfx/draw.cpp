#include "gfx/draw.h"

#include <cstdlib>
#include <utility>

HRESULT FillRect(IDirectDrawSurface* target, LONG left, LONG top, LONG right, LONG bottom,
                 DWORD colour) {
    if (target == nullptr) {
        return DDERR_INVALIDPARAMS;
    }
    RECT rect{left, top, right, bottom};
    DDBLTFX fx{};
    fx.dwSize = 100;
    fx.dwFillColor = colour & 0xFF;
    return target->Blt(&rect, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

void DrawLine(IDirectDrawSurface* target, LONG x1, LONG y1, LONG x2, LONG y2, DWORD colour) {
    if (target == nullptr) {
        return;
    }
    DDSURFACEDESC lock{};
    lock.dwSize = 108;
    if (target->Lock(nullptr, &lock, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr) != DD_OK) {
        return;
    }
    // Both end points must lie inside the surface; a line that leaves it is
    // not drawn rather than written past the pixel memory.
    const LONG w = static_cast<LONG>(lock.dwWidth);
    const LONG h = static_cast<LONG>(lock.dwHeight);
    const bool inside =
        x1 >= 0 && x2 >= 0 && y1 >= 0 && y2 >= 0 && x1 < w && x2 < w && y1 < h && y2 < h;
    if (inside || w == 0 || h == 0) {
        DrawLineLocked(&lock, x1, y1, x2, y2, colour);
    }
    target->Unlock(nullptr);
}

void DrawLineLocked(const DDSURFACEDESC* lock, LONG x1, LONG y1, LONG x2, LONG y2, DWORD colour) {
    if (lock == nullptr) {
        return;
    }
    DrawLineLocked(static_cast<BYTE*>(lock->lpSurface), lock->lPitch, x1, y1, x2, y2, colour);
}

void DrawLineLocked(BYTE* bits, LONG pitch, LONG x1, LONG y1, LONG x2, LONG y2, DWORD colour) {
    if (bits == nullptr) {
        return;
    }
    const LONG dx = std::labs(x2 - x1);
    const LONG dy = std::labs(y2 - y1);
    if (x1 > x2) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    const std::ptrdiff_t row_step = y1 <= y2 ? pitch : -static_cast<std::ptrdiff_t>(pitch);
    BYTE* p = bits + static_cast<std::ptrdiff_t>(y1) * pitch + x1;
    const BYTE value = static_cast<BYTE>(colour & 0xFF);
    LONG error = 0;
    if (dx >= dy) {
        for (LONG i = 0; i < dx; ++i) {
            if (error >= dx) {
                error -= dx;
                p += row_step;
            }
            *p = value;
            error += dy;
            p += 1;
        }
    } else {
        for (LONG i = 0; i < dy; ++i) {
            if (error >= dy) {
                error -= dy;
                p += 1;
            }
            *p = value;
            error += dx;
            p += row_step;
        }
    }
}

void HalftoneRect(IDirectDrawSurface* target, LONG left, LONG top, LONG right, LONG bottom,
                  DWORD colour) {
    if (target == nullptr || right - left < 2 || bottom - top < 1) {
        return;
    }
    RECT rect{left, top, right, bottom};
    DDSURFACEDESC lock{};
    lock.dwSize = 108;
    if (target->Lock(&rect, &lock, DDLOCK_WAIT, nullptr) != DD_OK) {
        return;
    }
    BYTE* row = static_cast<BYTE*>(lock.lpSurface);
    const LONG per_row = (right - left) >> 1;
    const BYTE value = static_cast<BYTE>(colour & 0xFF);
    for (LONG r = 0; r < bottom - top; ++r) {
        BYTE* p = row + ((r & 1) == 0 ? 1 : 0);
        for (LONG i = 0; i < per_row; ++i) {
            p[2 * i] = value;
        }
        row += lock.lPitch;
    }
    target->Unlock(nullptr);
}
