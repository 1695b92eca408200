// Reads the program's screenshots: 8-bit indexed PNG files, giving both the
// palette indices of every pixel and the palette the display last received.
#pragma once

#include <png.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace e2e {

struct IndexedImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> indices;  // row after row
    std::array<std::array<std::uint8_t, 3>, 256> palette{};

    bool Valid() const { return width > 0 && height > 0; }
    std::uint8_t At(int x, int y) const { return indices[static_cast<size_t>(y) * width + x]; }
    // How many pixels of a rectangle hold `index`.
    int Count(std::uint8_t index, int left, int top, int right, int bottom) const {
        int count = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                count += At(x, y) == index;
        return count;
    }
    int CountAll(std::uint8_t index) const { return Count(index, 0, 0, width, height); }
};

// An invalid image when the file is missing or not an 8-bit indexed PNG.
inline IndexedImage ReadIndexedPng(const std::filesystem::path& path) {
    IndexedImage image;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return image;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    // Declared before setjmp, so a read error's jump skips no destructor.
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        return IndexedImage{};
    }
    png_init_io(png, file);
    png_read_info(png, info);
    if (png_get_color_type(png, info) == PNG_COLOR_TYPE_PALETTE &&
        png_get_bit_depth(png, info) == 8) {
        image.width = static_cast<int>(png_get_image_width(png, info));
        image.height = static_cast<int>(png_get_image_height(png, info));
        png_colorp colours = nullptr;
        int count = 0;
        png_get_PLTE(png, info, &colours, &count);
        for (int i = 0; i < count && i < 256; ++i)
            image.palette[i] = {colours[i].red, colours[i].green, colours[i].blue};
        image.indices.resize(static_cast<size_t>(image.width) * image.height);
        rows.resize(image.height);
        for (int y = 0; y < image.height; ++y)
            rows[y] = image.indices.data() + static_cast<size_t>(y) * image.width;
        png_read_image(png, rows.data());
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return image;
}

}  // namespace e2e
