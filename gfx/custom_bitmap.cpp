#include "gfx/custom_bitmap.h"

#include <cstring>

#include "resources/program_resources.h"

namespace {

constexpr std::size_t kHeaderSize = 5;

}  // namespace

const BYTE* FindCustomBitmap(const char* name, int enabled, SIZE* size, int* bits_per_pixel) {
    if (!enabled) {
        return nullptr;
    }
    const ProgramResource* resource = FindProgramResource("CUSTBMP", name);
    if (resource == nullptr || resource->size < kHeaderSize) {
        return nullptr;
    }
    const BYTE* bytes = resource->bytes;
    const LONG width = bytes[0] | (bytes[1] << 8);
    const LONG height = bytes[2] | (bytes[3] << 8);
    // An image whose pixels do not fit in the resource is treated as missing
    // rather than read past its end.
    if (static_cast<std::size_t>(width) * static_cast<std::size_t>(height) >
        resource->size - kHeaderSize) {
        return nullptr;
    }
    if (size != nullptr) {
        size->cx = width;
        size->cy = height;
    }
    if (bits_per_pixel != nullptr) {
        *bits_per_pixel = bytes[4];
    }
    return bytes + kHeaderSize;
}

CSurface LoadCustomBitmap(const char* name, int enabled) {
    SIZE size{0, 0};
    if (FindCustomBitmap(name, enabled, &size, nullptr) == nullptr || size.cx == 0 ||
        size.cy == 0) {
        throw 0;
    }
    CSurface image;
    if (!image.Create(kOffscreenCaps, &size)) {
        throw 0;
    }
    ReloadCustomBitmap(&image, name, enabled);
    return image;
}

int ReloadCustomBitmap(CSurface* surface, const char* name, int enabled) {
    SIZE size{0, 0};
    const BYTE* pixels = FindCustomBitmap(name, enabled, &size, nullptr);
    if (surface == nullptr || pixels == nullptr) {
        return 0;
    }
    if (surface->width == 0 || surface->height == 0) {
        if (surface->surface == nullptr) {
            return 0;
        }
        surface->ReadSize();
    }
    if (!surface->Lock()) {
        return 0;
    }
    // Copies no more than both the image and the surface hold, so a surface
    // of another size is never overrun.
    const LONG rows = surface->height < size.cy ? surface->height : size.cy;
    const LONG columns = surface->width < size.cx ? surface->width : size.cx;
    for (LONG y = 0; y < rows; ++y) {
        std::memcpy(surface->bits + static_cast<std::ptrdiff_t>(y) * surface->pitch,
                    pixels + static_cast<std::ptrdiff_t>(y) * size.cx, columns);
    }
    surface->Unlock();
    return 1;
}
