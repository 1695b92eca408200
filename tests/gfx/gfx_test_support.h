// Shared helpers of the graphics-core tests: a headless display and pixel
// access to surfaces.
#pragma once

#include <cstdlib>
#include <vector>

#include <gtest/gtest.h>

#include "display/display.h"
#include "gfx/surface.h"

// Brings up the headless display once for the whole test program.
inline void EnsureHeadlessDisplay() {
    static const bool created = [] {
        setenv("NIVRA_VIDEO", "headless", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        return GetDisplay().Create(2);
    }();
    ASSERT_TRUE(created);
}

// An off-screen surface of the given size, cleared to 0.
inline CSurface MakeSurface(LONG width, LONG height) {
    CSurface surface;
    const SIZE size{width, height};
    EXPECT_EQ(surface.Create(0, &size), 1);
    return surface;
}

// Every pixel of the surface, rows top to bottom.
inline std::vector<BYTE> ReadPixels(CSurface& surface) {
    std::vector<BYTE> pixels;
    if (!surface.Lock()) {
        ADD_FAILURE() << "surface cannot be locked";
        return pixels;
    }
    for (LONG y = 0; y < surface.height; ++y) {
        const BYTE* row = surface.bits + static_cast<std::ptrdiff_t>(y) * surface.pitch;
        pixels.insert(pixels.end(), row, row + surface.width);
    }
    surface.Unlock();
    return pixels;
}

inline BYTE PixelAt(CSurface& surface, LONG x, LONG y) {
    return ReadPixels(surface)[static_cast<size_t>(y * surface.width + x)];
}

// The set pixels (non-zero) as (x, y) pairs, row by row.
inline std::vector<std::pair<LONG, LONG>> SetPixels(CSurface& surface) {
    std::vector<std::pair<LONG, LONG>> set;
    const std::vector<BYTE> pixels = ReadPixels(surface);
    for (LONG y = 0; y < surface.height; ++y) {
        for (LONG x = 0; x < surface.width; ++x) {
            if (pixels[static_cast<size_t>(y * surface.width + x)] != 0) {
                set.emplace_back(x, y);
            }
        }
    }
    return set;
}

class GfxTest : public ::testing::Test {
protected:
    void SetUp() override { EnsureHeadlessDisplay(); }
};
