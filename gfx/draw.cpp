#include "gfx/draw.h"

#include <algorithm>
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

namespace {

bool Inside(long long x, long long y, LONG width, LONG height) {
    return x >= 0 && y >= 0 && x < width && y < height;
}

// True when every pixel the walk of DrawLineLocked writes lies inside a
// width x height surface. The walk is monotonic, so its first and last
// written pixels bound the rest: it starts at the left end point and, after
// i steps along the major axis, has moved floor(i * minor / major) along the
// minor one.
bool WrittenPointsInside(LONG x1, LONG y1, LONG x2, LONG y2, LONG width, LONG height) {
    if (x1 > x2) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    const long long dx = static_cast<long long>(x2) - x1;
    const long long dy = std::llabs(static_cast<long long>(y2) - y1);
    const long long major = std::max(dx, dy);
    if (major == 0)
        return true;  // nothing is written
    const long long minor_moved = (major - 1) * std::min(dx, dy) / major;
    const long long along_x = dx >= dy ? major - 1 : minor_moved;
    const long long along_y = dx >= dy ? minor_moved : major - 1;
    const long long last_y = y2 >= y1 ? y1 + along_y : y1 - along_y;
    return Inside(x1, y1, width, height) && Inside(x1 + along_x, last_y, width, height);
}

}  // namespace

void DrawLine(IDirectDrawSurface* target, LONG x1, LONG y1, LONG x2, LONG y2, DWORD colour) {
    if (target == nullptr) {
        return;
    }
    DDSURFACEDESC lock{};
    lock.dwSize = 108;
    if (target->Lock(nullptr, &lock, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr) != DD_OK) {
        return;
    }
    // The walk never writes its far end point, so a line may end on the
    // surface's edge. One that would write a pixel outside is not drawn
    // rather than written past the pixel memory.
    if (WrittenPointsInside(x1, y1, x2, y2, static_cast<LONG>(lock.dwWidth),
                            static_cast<LONG>(lock.dwHeight))) {
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

namespace {

// Locks (left, top, right, bottom) of the target and hands each of its rows
// to `row_action` (first pixel, row index from 0), then unlocks.
template <typename RowAction>
void ForEachLockedRow(IDirectDrawSurface* target, LONG left, LONG top, LONG right, LONG bottom,
                      RowAction row_action) {
    RECT rect{left, top, right, bottom};
    DDSURFACEDESC lock{};
    lock.dwSize = 108;
    if (target->Lock(&rect, &lock, DDLOCK_WAIT, nullptr) != DD_OK) {
        return;
    }
    BYTE* row = static_cast<BYTE*>(lock.lpSurface);
    for (LONG r = 0; r < bottom - top; ++r) {
        row_action(row, r);
        row += lock.lPitch;
    }
    target->Unlock(nullptr);
}

}  // namespace

void HalftoneRect(IDirectDrawSurface* target, LONG left, LONG top, LONG right, LONG bottom,
                  DWORD colour) {
    if (target == nullptr || right - left < 2 || bottom - top < 1) {
        return;
    }
    const LONG per_row = (right - left) >> 1;
    const BYTE value = static_cast<BYTE>(colour & 0xFF);
    ForEachLockedRow(target, left, top, right, bottom, [&](BYTE* row, LONG r) {
        BYTE* p = row + ((r & 1) == 0 ? 1 : 0);
        for (LONG i = 0; i < per_row; ++i) {
            p[2 * i] = value;
        }
    });
}

void RecolourRect(IDirectDrawSurface* target, LONG left, LONG top, LONG right, LONG bottom,
                  BYTE from, BYTE to) {
    if (target == nullptr || right <= left || bottom <= top) {
        return;
    }
    ForEachLockedRow(target, left, top, right, bottom,
                     [&](BYTE* row, LONG) { std::replace(row, row + (right - left), from, to); });
}
