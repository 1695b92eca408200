// The program's raw "CUSTBMP" images: a 5-byte header (width and height as
// little-endian 16-bit values, bits per pixel) followed by one palette index
// per pixel, rows top to bottom. They become off-screen surfaces here.
#pragma once

#include "gfx/surface.h"
#include "platform/win32_types.h"

// Returns the pixel bytes of the CUSTBMP resource name and fills size and
// bits_per_pixel when they are not null. Null when enabled is 0 (outputs
// untouched), or when there is no such resource. The bytes live as long as
// the process.
const BYTE* FindCustomBitmap(const char* name, int enabled, SIZE* size, int* bits_per_pixel);

// A new off-screen surface holding the image; throws the integer 0 when the
// image is missing or the surface cannot be created.
CSurface LoadCustomBitmap(const char* name, int enabled);

// Copies the image's pixels again into surface, which has the image's size
// (after surface loss). Returns 0 when the surface cannot be locked or the
// image is missing, else 1.
int ReloadCustomBitmap(CSurface* surface, const char* name, int enabled);

// One image loaded into a surface at construction. The surface is not
// released by the destructor (it lives as long as the display).
class CCustomBitmap {
public:
    CCustomBitmap(const char* name, int enabled) : surface_(LoadCustomBitmap(name, enabled)) {}
    virtual ~CCustomBitmap() = default;

    CSurface* GetSurface() { return &surface_; }
    const CSurface* GetSurface() const { return &surface_; }

private:
    CSurface surface_;
};
