#include "platform/user/png_writer.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <memory>

namespace platform::video {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// libpng reports errors by longjmp; nothing with a destructor lives between
// the setjmp and the writes.
bool WritePng(std::FILE* file, const VisibleFrame& frame) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    png_color colours[256];
    for (int i = 0; i < 256; ++i)
        colours[i] = {frame.palette[i].peRed, frame.palette[i].peGreen, frame.palette[i].peBlue};
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, frame.width_px, frame.height_px, 8, PNG_COLOR_TYPE_PALETTE,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_PLTE(png, info, colours, 256);
    png_write_info(png, info);
    for (int row = 0; row < frame.height_px; ++row)
        png_write_row(png, frame.pixels.data() + static_cast<std::size_t>(row) * frame.width_px);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool WriteIndexedPng(const std::string& path, const VisibleFrame& frame) {
    if (frame.width_px <= 0 || frame.height_px <= 0 ||
        frame.pixels.size() != static_cast<std::size_t>(frame.width_px) * frame.height_px)
        return false;
    bool written = false;
    {
        std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
        if (!file)
            return false;
        written = WritePng(file.get(), frame);
        if (std::fflush(file.get()) != 0)
            written = false;
    }
    if (!written)
        std::remove(path.c_str());
    return written;
}

}  // namespace platform::video
