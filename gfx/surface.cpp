#include "gfx/surface.h"

#include "display/display.h"
#include "gfx/draw.h"

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
        ReadSize();
    }
    FillRect(surface, 0, 0, width, height, 0);
    return 1;
}

void CSurface::ReadSize() {
    DDSURFACEDESC desc{};
    desc.dwSize = kSurfaceDescSize;
    if (surface != nullptr && surface->GetSurfaceDesc(&desc) == DD_OK) {
        width = static_cast<LONG>(desc.dwWidth);
        height = static_cast<LONG>(desc.dwHeight);
    }
}

void CSurface::Restore() {
    if (surface == nullptr) {
        return;
    }
    surface->Restore();
    FillRect(surface, 0, 0, width, height, 0);
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
    FillRect(surface, area.left, area.top, area.right, area.bottom, colour);
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
