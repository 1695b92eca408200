// Copies of a block of rows between surfaces: plain, or colour-keyed (a
// source pixel inside the source key's range is left out, and with a
// destination key only pixels inside that range are written over).
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform::video {

struct RowKeys {
    bool use_source = false;
    std::uint8_t source_low = 0, source_high = 0;
    bool use_dest = false;
    std::uint8_t dest_low = 0, dest_high = 0;
};

void CopyRows(std::uint8_t* out, std::ptrdiff_t out_pitch, const std::uint8_t* in,
              std::ptrdiff_t in_pitch, int width, int height);
void CopyKeyedRows(std::uint8_t* out, std::ptrdiff_t out_pitch, const std::uint8_t* in,
                   std::ptrdiff_t in_pitch, int width, int height, const RowKeys& keys);

}  // namespace platform::video
