#include "platform/ddraw/rows_copy.h"

#include <cstring>

namespace platform::video {
namespace {

// Pixels a chunk (8 or 16) at a time through the compiler's vector types; the
// comparisons give all ones or all zeros per pixel.
template <int kWidth>
struct Pixels;
template <>
struct Pixels<8> {
    typedef std::uint8_t Chunk __attribute__((vector_size(8)));
};
template <>
struct Pixels<16> {
    typedef std::uint8_t Chunk __attribute__((vector_size(16)));
};

// The keys as locals: read through the caller's struct, a byte written to
// the row could alias them and they would be fetched again for every pixel.
struct Keys {
    bool source;
    bool dest;
    std::uint8_t source_low, source_range;
    std::uint8_t dest_low, dest_range;
};

// Whether low <= value <= high, as value - low <= high - low in wrapping
// bytes (the callers rule out an empty range, low > high).
template <typename Chunk>
Chunk InRange(Chunk value, std::uint8_t low, std::uint8_t range) {
    return reinterpret_cast<Chunk>(value - low <= range);
}

bool InRange(std::uint8_t value, std::uint8_t low, std::uint8_t range) {
    return static_cast<std::uint8_t>(value - low) <= range;
}

// One chunk of kWidth pixels at `column`. Running it twice over the same
// pixels gives what running it once does, so the last chunk of a row may
// overlap the one before.
template <int kWidth>
void CopyChunk(std::uint8_t* out, const std::uint8_t* in, const Keys& keys) {
    using Chunk = typename Pixels<kWidth>::Chunk;
    Chunk from, to;
    std::memcpy(&from, in, kWidth);
    std::memcpy(&to, out, kWidth);
    Chunk keep = {};
    if (keys.source)
        keep |= InRange(from, keys.source_low, keys.source_range);
    if (keys.dest)
        keep |= ~InRange(to, keys.dest_low, keys.dest_range);
    const Chunk result = (to & keep) | (from & ~keep);
    std::memcpy(out, &result, kWidth);
}

template <int kWidth>
void CopyChunks(std::uint8_t* out, const std::uint8_t* in, int width, const Keys& keys) {
    int column = 0;
    for (; column + kWidth <= width; column += kWidth)
        CopyChunk<kWidth>(out + column, in + column, keys);
    if (column < width)
        CopyChunk<kWidth>(out + width - kWidth, in + width - kWidth, keys);
}

// A short row as two fixed-size copies that may overlap: the compiler turns
// them into plain moves, cheaper than a call to memcpy for a glyph's or a
// narrow strip's row.
template <int kSize>
void CopyShortRow(std::uint8_t* out, const std::uint8_t* in, int width) {
    std::memcpy(out, in, kSize);
    std::memcpy(out + width - kSize, in + width - kSize, kSize);
}

}  // namespace

void CopyRows(std::uint8_t* out, std::ptrdiff_t out_pitch, const std::uint8_t* in,
              std::ptrdiff_t in_pitch, int width, int height) {
    // Whole rows of equal pitch (a full-screen copy) are one block.
    if (width == out_pitch && width == in_pitch && height > 0) {
        std::memcpy(out, in, static_cast<std::size_t>(width) * height);
        return;
    }
    for (int row = 0; row < height; ++row, out += out_pitch, in += in_pitch) {
        if (width > 64)
            std::memcpy(out, in, width);
        else if (width >= 32)
            CopyShortRow<32>(out, in, width);
        else if (width >= 16)
            CopyShortRow<16>(out, in, width);
        else if (width >= 8)
            CopyShortRow<8>(out, in, width);
        else if (width >= 4)
            CopyShortRow<4>(out, in, width);
        else
            for (int column = 0; column < width; ++column)
                out[column] = in[column];
    }
}

void CopyKeyedRows(std::uint8_t* out, std::ptrdiff_t out_pitch, const std::uint8_t* in,
                   std::ptrdiff_t in_pitch, int width, int height, const RowKeys& row_keys) {
    // A destination key with an empty range lets nothing through; a source
    // key with one keys nothing out.
    if (row_keys.use_dest && row_keys.dest_low > row_keys.dest_high)
        return;
    const Keys keys{row_keys.use_source && row_keys.source_low <= row_keys.source_high,
                    row_keys.use_dest,
                    row_keys.source_low,
                    static_cast<std::uint8_t>(row_keys.source_high - row_keys.source_low),
                    row_keys.dest_low,
                    static_cast<std::uint8_t>(row_keys.dest_high - row_keys.dest_low)};
    for (int row = 0; row < height; ++row, out += out_pitch, in += in_pitch) {
        if (width >= 16) {
            CopyChunks<16>(out, in, width, keys);
            continue;
        }
        if (width >= 8) {
            CopyChunks<8>(out, in, width, keys);
            continue;
        }
        for (int column = 0; column < width; ++column) {
            const bool keep =
                (keys.source && InRange(in[column], keys.source_low, keys.source_range)) ||
                (keys.dest && !InRange(out[column], keys.dest_low, keys.dest_range));
            if (!keep)
                out[column] = in[column];
        }
    }
}

}  // namespace platform::video
