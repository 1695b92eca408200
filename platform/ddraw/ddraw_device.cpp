#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "platform/ddraw/ddraw_objects.h"

namespace platform::video {
namespace {

constexpr int kLargestSide_px = 16384;
std::atomic<bool> g_version2_available{true};

// Every live device, so a test can make all surfaces lost at once.
std::mutex g_devices_lock;
std::vector<DrawDevice*> g_devices;

}  // namespace

DrawDevice::DrawDevice() {
    std::lock_guard guard(g_devices_lock);
    g_devices.push_back(this);
}

DrawDevice::~DrawDevice() {
    {
        std::lock_guard guard(g_devices_lock);
        std::erase(g_devices, this);
    }
    // Surfaces and palettes go with the device, whatever references remain.
    for (DrawSurface* surface : surfaces_)
        surface->ForgetPalette();
    for (DrawSurface* surface : surfaces_)
        delete surface;
    for (DrawPalette* palette : palettes_)
        delete palette;
}

HRESULT DrawDevice::QueryInterface(REFIID riid, LPVOID* object) {
    if (!object)
        return E_INVALIDARG;
    *object = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDirectDraw) {
        *object = static_cast<IDirectDraw*>(this);
    } else if (riid == IID_IDirectDraw2 && g_version2_available) {
        *object = static_cast<IDirectDraw2*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG DrawDevice::AddRef() {
    return ++references_;
}

ULONG DrawDevice::Release() {
    const ULONG left = --references_;
    if (left == 0)
        delete this;
    return left;
}

void DrawDevice::Forget(IUnknown* object) {
    std::lock_guard guard(lock_);
    if (auto it = std::find(surfaces_.begin(), surfaces_.end(), object); it != surfaces_.end()) {
        surfaces_.erase(it);
        delete static_cast<DrawSurface*>(object);
    } else if (auto found = std::find(palettes_.begin(), palettes_.end(), object);
               found != palettes_.end()) {
        palettes_.erase(found);
        delete static_cast<DrawPalette*>(object);
    }
}

void DrawDevice::LoseSurfaces() {
    std::lock_guard guard(lock_);
    for (DrawSurface* surface : surfaces_)
        surface->MarkLost();
}

HRESULT DrawDevice::CreatePalette(DWORD flags, LPPALETTEENTRY entries, LPDIRECTDRAWPALETTE* palette,
                                  IUnknown*) {
    if (!palette)
        return DDERR_INVALIDPARAMS;
    *palette = nullptr;
    if (!entries || !(flags & DDPCAPS_8BIT))
        return DDERR_INVALIDPARAMS;
    auto* created = new DrawPalette(*this, flags, entries);
    std::lock_guard guard(lock_);
    palettes_.push_back(created);
    *palette = created;
    return DD_OK;
}

HRESULT DrawDevice::CreateSurface(LPDDSURFACEDESC desc, LPDIRECTDRAWSURFACE* surface, IUnknown*) {
    if (!surface)
        return DDERR_INVALIDPARAMS;
    *surface = nullptr;
    if (!desc)
        return DDERR_INVALIDPARAMS;
    const DWORD caps = (desc->dwFlags & DDSD_CAPS) ? desc->ddsCaps.dwCaps : 0;
    std::lock_guard guard(lock_);
    if (caps & DDSCAPS_PRIMARYSURFACE) {
        const bool chain = (desc->dwFlags & DDSD_BACKBUFFERCOUNT) && desc->dwBackBufferCount > 0;
        if (chain && (desc->dwBackBufferCount != 1 || !(caps & DDSCAPS_FLIP)))
            return DDERR_INVALIDPARAMS;
        auto* front =
            new DrawSurface(*this, mode_width_px_, mode_height_px_,
                            caps | DDSCAPS_FRONTBUFFER | DDSCAPS_VISIBLE | DDSCAPS_VIDEOMEMORY);
        surfaces_.push_back(front);
        if (chain) {
            auto* back = new DrawSurface(
                *this, mode_width_px_, mode_height_px_,
                DDSCAPS_BACKBUFFER | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_VIDEOMEMORY);
            surfaces_.push_back(back);
            front->AttachBackBuffer(back);
        }
        *surface = front;
        return DD_OK;
    }
    const DWORD size_flags = DDSD_WIDTH | DDSD_HEIGHT;
    if ((desc->dwFlags & size_flags) != size_flags)
        return DDERR_INVALIDPARAMS;
    if (desc->dwWidth == 0 || desc->dwHeight == 0 || desc->dwWidth > kLargestSide_px ||
        desc->dwHeight > kLargestSide_px)
        return DDERR_INVALIDPARAMS;
    auto* created =
        new DrawSurface(*this, static_cast<int>(desc->dwWidth), static_cast<int>(desc->dwHeight),
                        caps ? caps : DDSCAPS_OFFSCREENPLAIN);
    surfaces_.push_back(created);
    *surface = created;
    return DD_OK;
}

HRESULT DrawDevice::RestoreDisplayMode() {
    return DD_OK;
}

HRESULT DrawDevice::SetCooperativeLevel(HWND, DWORD) {
    return DD_OK;
}

HRESULT DrawDevice::SetDisplayMode(DWORD width, DWORD height, DWORD bits_per_pixel) {
    return SetDisplayMode(width, height, bits_per_pixel, 0, 0);
}

HRESULT DrawDevice::SetDisplayMode(DWORD width, DWORD height, DWORD bits_per_pixel, DWORD, DWORD) {
    // Only palettised 8-bit modes exist on this display.
    if (bits_per_pixel != 8 || width == 0 || height == 0 || width > 4096 || height > 4096)
        return DDERR_INVALIDMODE;
    std::lock_guard guard(lock_);
    mode_width_px_ = static_cast<int>(width);
    mode_height_px_ = static_cast<int>(height);
    return DD_OK;
}

HRESULT DrawDevice::WaitForVerticalBlank(DWORD flags, HANDLE) {
    if (!(flags & (DDWAITVB_BLOCKBEGIN | DDWAITVB_BLOCKEND)))
        return DDERR_UNSUPPORTED;
    // A 60 Hz refresh counted from a fixed origin: wait for the next period start.
    using Clock = std::chrono::steady_clock;
    static const Clock::time_point origin = Clock::now();
    constexpr auto period = std::chrono::microseconds(16667);
    const auto elapsed = Clock::now() - origin;
    const auto periods = elapsed / period + 1;
    std::this_thread::sleep_until(origin + periods * period);
    return DD_OK;
}

}  // namespace platform::video

HRESULT DirectDrawCreate(GUID* driver, LPDIRECTDRAW* direct_draw, IUnknown* outer) {
    if (!direct_draw)
        return DDERR_INVALIDPARAMS;
    *direct_draw = nullptr;
    if (driver || outer)
        return DDERR_INVALIDPARAMS;
    *direct_draw = new platform::video::DrawDevice();
    return DD_OK;
}

namespace platform {

void LoseAllSurfaces() {
    std::lock_guard guard(video::g_devices_lock);
    for (video::DrawDevice* device : video::g_devices)
        device->LoseSurfaces();
}

void SetDirectDraw2Available(bool available) {
    video::g_version2_available = available;
}

}  // namespace platform
