// Palette files of any bytes: a file of at least 768 bytes loads, its first
// 240 triplets becoming the file colours; anything shorter is refused and
// leaves every colour as it was.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "display/palette.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int fd = memfd_create("nivra-palette", 0);
    if (fd < 0)
        return 0;
    for (std::size_t done = 0; done < size;) {
        const ssize_t wrote = write(fd, data + done, size - done);
        if (wrote <= 0) {
            close(fd);
            return 0;
        }
        done += static_cast<std::size_t>(wrote);
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    CPalette palette;
    const bool loaded = palette.LoadFromPath(path.c_str());
    close(fd);
    if (loaded != (size >= static_cast<std::size_t>(kPaletteFileBytes)))
        __builtin_trap();
    palette.Restore();
    for (int i = 0; i < kPaletteEntryCount; ++i) {
        const COLORREF expected = loaded && i < kFirstProgramEntry
                                      ? RGB(data[3 * i], data[3 * i + 1], data[3 * i + 2])
                                      : 0;
        if (palette.GetEntry(i) != expected)
            __builtin_trap();
    }
    return 0;
}
