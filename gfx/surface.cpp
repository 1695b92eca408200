#include "gfx/surface.h"

#include "display/display.h"

namespace {

// Win32's size of the surface description, which the program always writes.
constexpr DWORD kSurfaceDescSize = 108;

HRESULT ColourFill(IDirectDrawSurface* surface, RECT* rect, DWORD colour) {
    DDBLTFX fx{};
    fx.dwSize = 100;
    fx.dwFillColor = colour & 0xFF;
    return surface->Blt(rect, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

}  // namespace

int CSurface::Create(DWORD create_caps, const SIZE* size) {
    if (create_caps == 0) {
        create_caps = kOffscreenCaps;
    }
    DDSURFACEDESC desc{};
    desc.dwSize = kSurfaceDescSize;
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = create_caps;
    if (create_caps & DDSCAPS_PRIMARYSURFACE) {
        desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
        desc.dwBackBufferCount = 1;
    }
    if ((create_caps & DDSCAPS_OFFSCREENPLAIN) && size != nullptr) {
        desc.dwFlags |= DDSD_HEIGHT | DDSD_WIDTH;
        desc.dwHeight = static_cast<DWORD>(size->cy);
        desc.dwWidth = static_cast<DWORD>(size->cx);
    }
    if (GetDisplay().CreateSurface(&desc, &surface) != DD_OK || surface == nullptr) {
        surface = nullptr;
        return 0;
    }
    desc_flags = desc.dwFlags;
    caps = create_caps;
    if (size != nullptr) {
        width = size->cx;
        height = size->cy;
    } else {
        DDSURFACEDESC created{};
        created.dwSize = kSurfaceDescSize;
        if (surface->GetSurfaceDesc(&created) == DD_OK) {
            width = static_cast<LONG>(created.dwWidth);
            height = static_cast<LONG>(created.dwHeight);
        }
    }
    RECT whole{0, 0, width, height};
    ColourFill(surface, &whole, 0);
    return 1;
}

void CSurface::Restore() {
    if (surface == nullptr) {
        return;
    }
    surface->Restore();
    RECT whole{0, 0, width, height};
    ColourFill(surface, &whole, 0);
}

void CSurface::Fill(const RECT* rect, DWORD colour) {
    if (surface == nullptr) {
        return;
    }
    RECT area{};
    if (rect != nullptr) {
        area = *rect;
    } else {
        DDSURFACEDESC desc{};
        desc.dwSize = kSurfaceDescSize;
        if (surface->GetSurfaceDesc(&desc) != DD_OK) {
            return;
        }
        area = RECT{0, 0, static_cast<LONG>(desc.dwWidth), static_cast<LONG>(desc.dwHeight)};
    }
    ColourFill(surface, &area, colour);
}

bool CSurface::Lock(const RECT* rect, DWORD extra_flags) {
    if (surface == nullptr || locked) {
        return false;
    }
    DDSURFACEDESC desc{};
    desc.dwSize = kSurfaceDescSize;
    RECT area{};
    if (rect != nullptr) {
        area = *rect;
    }
    if (surface->Lock(rect != nullptr ? &area : nullptr, &desc, DDLOCK_WAIT | extra_flags,
                      nullptr) != DD_OK) {
        return false;
    }
    pitch = desc.lPitch;
    bits = static_cast<BYTE*>(desc.lpSurface);
    locked = 1;
    return true;
}

void CSurface::Unlock() {
    if (!locked) {
        return;
    }
    surface->Unlock(nullptr);
    locked = 0;
    pitch = 0;
    bits = nullptr;
}
