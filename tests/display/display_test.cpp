// The display wrapper: which interface it holds after Create, and that every
// request reaches the device through it (or is refused when none is held).
#include <gtest/gtest.h>

#include <array>

#include "display/display.h"

namespace {

// Leaves the version-2 interface available again whatever the test did.
class DisplayTest : public ::testing::Test {
protected:
    void TearDown() override { platform::SetDirectDraw2Available(true); }

    // The size of a new flip chain: the display mode the device was given.
    static SIZE PrimarySize(CDisplay& display) {
        DDSURFACEDESC desc{};
        desc.dwSize = 108;
        desc.dwFlags = DDSD_CAPS;
        desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
        IDirectDrawSurface* primary = nullptr;
        if (display.CreateSurface(&desc, &primary) != DD_OK || !primary) {
            ADD_FAILURE() << "no primary surface";
            return SIZE{0, 0};
        }
        DDSURFACEDESC created{};
        created.dwSize = 108;
        EXPECT_EQ(primary->GetSurfaceDesc(&created), DD_OK);
        primary->Release();
        return SIZE{static_cast<LONG>(created.dwWidth), static_cast<LONG>(created.dwHeight)};
    }

    static HRESULT MakePalette(CDisplay& display) {
        std::array<PALETTEENTRY, 256> colours{};
        IDirectDrawPalette* palette = nullptr;
        const HRESULT result = display.CreatePalette(DDPCAPS_8BIT, colours.data(), &palette);
        if (palette)
            palette->Release();
        return result;
    }
};

TEST_F(DisplayTest, WithoutADeviceEveryRequestIsRefused) {
    CDisplay display;
    EXPECT_EQ(display.GetLevel(), 0);
    EXPECT_EQ(display.SetCooperativeLevel(nullptr, DDSCL_EXCLUSIVE), DDERR_INVALIDOBJECT);
    EXPECT_EQ(display.SetDisplayMode(640, 480, 8, 60), DDERR_INVALIDOBJECT);
    DDSURFACEDESC desc{};
    IDirectDrawSurface* surface = nullptr;
    EXPECT_EQ(display.CreateSurface(&desc, &surface), DDERR_INVALIDOBJECT);
    EXPECT_EQ(surface, nullptr);
    EXPECT_EQ(MakePalette(display), DDERR_INVALIDOBJECT);
    EXPECT_EQ(display.WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr), 0);
}

TEST_F(DisplayTest, EitherDeviceVersionTakesEveryRequest) {
    struct Case {
        bool version2_available;
        int level;
        HRESULT wait_for_nothing;  // version 1 returns 0 without asking the device
    };
    for (const Case& c : {Case{true, 2, DDERR_UNSUPPORTED}, Case{false, 1, 0}}) {
        SCOPED_TRACE(c.level);
        platform::SetDirectDraw2Available(c.version2_available);
        CDisplay display;
        ASSERT_TRUE(display.Create(1));
        EXPECT_EQ(display.GetLevel(), c.level);
        EXPECT_EQ(display.SetCooperativeLevel(nullptr, DDSCL_EXCLUSIVE), DD_OK);
        EXPECT_EQ(display.SetDisplayMode(640, 480, 16, 60), DDERR_INVALIDMODE);
        ASSERT_EQ(display.SetDisplayMode(320 + c.level, 200, 8, 60), DD_OK);
        const SIZE size = PrimarySize(display);
        EXPECT_EQ(size.cx, 320 + c.level);
        EXPECT_EQ(size.cy, 200);
        EXPECT_EQ(MakePalette(display), DD_OK);
        EXPECT_EQ(display.WaitForVerticalBlank(0, nullptr), c.wait_for_nothing);
        EXPECT_EQ(display.WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr), DD_OK);
    }
}

TEST_F(DisplayTest, RequiringVersionTwoFailsWithoutItAndHoldsNothing) {
    platform::SetDirectDraw2Available(false);
    CDisplay display;
    EXPECT_FALSE(display.Create(2));
    EXPECT_EQ(display.GetLevel(), 0);
    EXPECT_EQ(display.SetCooperativeLevel(nullptr, DDSCL_EXCLUSIVE), DDERR_INVALIDOBJECT);
    EXPECT_EQ(MakePalette(display), DDERR_INVALIDOBJECT);
    // A later Create, with the interface back, starts over.
    platform::SetDirectDraw2Available(true);
    EXPECT_TRUE(display.Create(2));
    EXPECT_EQ(display.GetLevel(), 2);
}

}  // namespace
