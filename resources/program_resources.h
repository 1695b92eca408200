// The resources compiled into the program: the CUSTBMP images and the
// window icon, generated at build time from the text sources beside this
// file.
#pragma once

#include <cstddef>

struct ProgramResource {
    const char* type;  // "CUSTBMP", "ICON"
    const char* name;  // "IDR_CUSTBMP_TITLE", ...
    const unsigned char* bytes;
    std::size_t size;
};

// The resource of this type and name (both compared without regard to
// case, as resource names are), or null.
const ProgramResource* FindProgramResource(const char* type, const char* name);

// The icon "IDR_ICON_NIVRA" of type "ICON" has the CUSTBMP header (width and
// height as little-endian 16-bit values, then bits per pixel, here 32)
// followed by width x height pixels of red, green, blue and alpha bytes.
inline constexpr const char* kIconResourceType = "ICON";
inline constexpr const char* kIconResourceName = "IDR_ICON_NIVRA";
