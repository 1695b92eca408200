// Build-time tool: writes the program's compiled-in window icon as an RGBA
// PNG, the picture desktop menus show for the installed program, so the two
// can never differ.
//
// Usage: nivra_icon_png OUTPUT.png
#include <png.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "resources/program_resources.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

struct Rgba {
    int width = 0;
    int height = 0;
    const unsigned char* pixels = nullptr;
};

// The icon resource: a 16-bit width and height, 32 bits per pixel, then the pixels.
bool ReadIcon(Rgba* icon) {
    const ProgramResource* resource = FindProgramResource(kIconResourceType, kIconResourceName);
    if (resource == nullptr || resource->size < 5 || resource->bytes[4] != 32)
        return false;
    icon->width = resource->bytes[0] | resource->bytes[1] << 8;
    icon->height = resource->bytes[2] | resource->bytes[3] << 8;
    icon->pixels = resource->bytes + 5;
    return resource->size >= 5 + static_cast<std::size_t>(icon->width) * icon->height * 4;
}

bool WritePng(const std::string& path, const Rgba& icon) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    // Declared before setjmp, so a write error's jump skips no destructor.
    std::vector<png_bytep> rows(static_cast<std::size_t>(icon.height));
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, icon.width, icon.height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    for (int y = 0; y < icon.height; ++y)
        rows[y] = const_cast<png_bytep>(icon.pixels + static_cast<std::size_t>(y) * icon.width * 4);
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fflush(file.get()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    Rgba icon;
    if (!ReadIcon(&icon)) {
        std::fprintf(stderr, "%s: the program has no readable icon resource\n", argv[0]);
        return 1;
    }
    if (!WritePng(argv[1], icon)) {
        std::fprintf(stderr, "%s: cannot write\n", argv[1]);
        std::remove(argv[1]);
        return 1;
    }
    return 0;
}
