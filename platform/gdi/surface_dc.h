// Device contexts on 8-bit surface memory, handed out by a DirectDraw
// surface's GetDC and ended by its ReleaseDC.
#pragma once

#include <array>

#include "platform/gdi.h"

namespace platform::gdi {

struct DcTarget {
    BYTE* bits = nullptr;  // top-left pixel
    int width_px = 0;
    int height_px = 0;
    LONG pitch = 0;
    // Text colours are matched against these entries.
    std::array<PALETTEENTRY, 256> palette{};
};

HDC CreateSurfaceDC(const DcTarget& target);
void DeleteSurfaceDC(HDC dc);

}  // namespace platform::gdi
