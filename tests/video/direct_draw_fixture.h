// A software DirectDraw device in 640x480x8 for each test, with the
// surfaces the tests draw on; the device takes every surface and palette
// with it when the test ends.
#pragma once

#include <gtest/gtest.h>

#include "platform/ddraw.h"

class DirectDrawFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(DirectDrawCreate(nullptr, &device_, nullptr), DD_OK);
        ASSERT_EQ(device_->QueryInterface(IID_IDirectDraw2, reinterpret_cast<void**>(&device2_)),
                  S_OK);
        ASSERT_EQ(device2_->SetDisplayMode(640, 480, 8, 0, 0), DD_OK);
    }
    void TearDown() override {
        device2_->Release();
        device_->Release();
    }

    // An off-screen surface of that size.
    IDirectDrawSurface* MakeSurface(DWORD width, DWORD height) {
        DDSURFACEDESC desc{};
        desc.dwSize = 108;
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
        desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY;
        desc.dwWidth = width;
        desc.dwHeight = height;
        IDirectDrawSurface* surface = nullptr;
        EXPECT_EQ(device2_->CreateSurface(&desc, &surface, nullptr), DD_OK);
        return surface;
    }

    // The primary surface with its one back buffer: what the display shows.
    IDirectDrawSurface* MakeFlipChain() {
        DDSURFACEDESC desc{};
        desc.dwSize = 108;
        desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
        desc.dwBackBufferCount = 1;
        desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
        IDirectDrawSurface* primary = nullptr;
        EXPECT_EQ(device2_->CreateSurface(&desc, &primary, nullptr), DD_OK);
        return primary;
    }

    // The palette index at (x, y), read under a lock of the whole surface.
    static BYTE PixelAt(IDirectDrawSurface* surface, int x, int y) {
        DDSURFACEDESC desc{};
        EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
        const BYTE value = static_cast<BYTE*>(desc.lpSurface)[y * desc.lPitch + x];
        surface->Unlock(nullptr);
        return value;
    }

    // A colour fill of `rect` (null: the whole surface).
    static HRESULT Fill(IDirectDrawSurface* surface, RECT* rect, DWORD colour) {
        DDBLTFX fx{};
        fx.dwSize = sizeof(fx);
        fx.dwFillColor = colour;
        return surface->Blt(rect, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
    }

    IDirectDraw* device_ = nullptr;
    IDirectDraw2* device2_ = nullptr;
};
