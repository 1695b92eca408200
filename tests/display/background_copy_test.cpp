// The frame's background copy leaves out exactly the areas panels cover,
// however those lie: overlapping, touching, past the edges, or none.
#include "display/background_copy.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/video/direct_draw_fixture.h"

namespace {

using BackgroundCopyTest = DirectDrawFixture;

constexpr LONG kWidth = 64;
constexpr LONG kHeight = 48;
constexpr BYTE kBackground = 5;
constexpr BYTE kUntouched = 200;

bool Inside(const std::vector<RECT>& holes, LONG x, LONG y) {
    for (const RECT& hole : holes)
        if (x >= hole.left && x < hole.right && y >= hole.top && y < hole.bottom)
            return true;
    return false;
}

TEST_F(BackgroundCopyTest, CopiesEveryPixelOutsideTheHolesAndNoneInside) {
    IDirectDrawSurface* source = MakeSurface(kWidth, kHeight);
    IDirectDrawSurface* target = MakeSurface(kWidth, kHeight);
    ASSERT_TRUE(source && target);
    ASSERT_EQ(Fill(source, nullptr, kBackground), DD_OK);
    const std::vector<std::vector<RECT>> cases = {
        {},
        {{0, 0, kWidth, kHeight}},
        {{10, 5, 30, 20}, {20, 10, 40, 30}, {40, 10, 50, 30}},  // overlapping, touching
        {{-5, -5, 8, 8}, {60, 40, 90, 90}, {30, 47, 31, 60}},   // past the edges
        {{10, 10, 10, 20}, {5, 30, 60, 31}},                    // empty, one row
    };
    for (const std::vector<RECT>& holes : cases) {
        ASSERT_EQ(Fill(target, nullptr, kUntouched), DD_OK);
        CopyBackgroundAround(target, source, kWidth, kHeight, holes.data(),
                             static_cast<int>(holes.size()));
        DDSURFACEDESC desc{};
        ASSERT_EQ(target->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
        const auto* pixels = static_cast<const BYTE*>(desc.lpSurface);
        int wrong = 0;
        for (LONG y = 0; y < kHeight; ++y)
            for (LONG x = 0; x < kWidth; ++x)
                wrong +=
                    pixels[y * desc.lPitch + x] != (Inside(holes, x, y) ? kUntouched : kBackground);
        target->Unlock(nullptr);
        EXPECT_EQ(wrong, 0) << holes.size() << " holes";
    }
}

}  // namespace
