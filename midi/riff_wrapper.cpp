#include "midi/riff_wrapper.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint64_t kRiffChunkHeaderBytes = 8;
constexpr std::uint64_t kFormTypeBytes = 4;

std::uint32_t ReadLittle32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}

bool HasId(const std::uint8_t* p, const char (&id)[5]) {
    return std::memcmp(p, id, 4) == 0;
}

}  // namespace

bool FindRmidData(const std::uint8_t* data, std::uint32_t size, std::uint32_t& offset,
                  std::uint32_t& length) {
    if (data == nullptr || size < kRiffChunkHeaderBytes + kFormTypeBytes)
        return false;
    if (!HasId(data, "RIFF") || !HasId(data + kRiffChunkHeaderBytes, "RMID"))
        return false;
    // The chunks lie inside the wrapper as its size declares it; bytes after
    // it are not the song's. A file cut short keeps what it still holds, and
    // only a chunk that runs past either end is damage.
    const std::uint64_t declared = ReadLittle32(data + 4);
    if (declared < kFormTypeBytes)
        return false;
    const std::uint64_t end = std::min<std::uint64_t>(kRiffChunkHeaderBytes + declared, size);
    // Sizes are counted in 64 bits, so no lying size wraps around.
    std::uint64_t at = kRiffChunkHeaderBytes + kFormTypeBytes;
    while (at + kRiffChunkHeaderBytes <= end) {
        const std::uint64_t body = at + kRiffChunkHeaderBytes;
        const std::uint64_t chunk_size = ReadLittle32(data + at + 4);
        if (chunk_size > end - body)
            return false;
        if (HasId(data + at, "data")) {
            offset = static_cast<std::uint32_t>(body);
            length = static_cast<std::uint32_t>(chunk_size);
            return true;
        }
        // A chunk of odd size is followed by one pad byte.
        at = body + chunk_size + (chunk_size & 1);
    }
    return false;
}
