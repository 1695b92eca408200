#include "platform/backends/midi/soundfont_check.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace platform::winmm {
namespace {

constexpr std::size_t kChunkHeaderBytes = 8;
constexpr std::size_t kSampleHeaderBytes = 46;
// The fixed record sizes of the preset data's sub-chunks.
// Each list ends in a terminal record; presets, instruments and samples
// have at least one real record before it.
struct RecordChunk {
    const char* id;
    std::uint32_t record_bytes;
    std::uint32_t min_records;
};
constexpr RecordChunk kPresetChunks[] = {{"phdr", 38, 2}, {"pbag", 4, 1},  {"pmod", 10, 1},
                                         {"pgen", 4, 1},  {"inst", 22, 2}, {"ibag", 4, 1},
                                         {"imod", 10, 1}, {"igen", 4, 1},  {"shdr", 46, 2}};

using File = std::unique_ptr<FILE, decltype(&std::fclose)>;

std::uint32_t Little32(const std::uint8_t* bytes) {
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (std::uint32_t{bytes[3]} << 24);
}

struct Chunk {
    char id[5] = {};
    std::uint32_t size = 0;
    long offset = 0;  // of the data
};

bool ReadAt(FILE* file, long offset, void* out, std::size_t bytes) {
    return std::fseek(file, offset, SEEK_SET) == 0 && std::fread(out, 1, bytes, file) == bytes;
}

// The sub-chunks of a LIST whose data spans [begin, end); false when one
// reaches past the end.
bool ReadChunks(FILE* file, long begin, long end, std::vector<Chunk>& chunks) {
    for (long at = begin; at < end;) {
        std::uint8_t header[kChunkHeaderBytes];
        if (at + static_cast<long>(kChunkHeaderBytes) > end ||
            !ReadAt(file, at, header, sizeof header))
            return false;
        Chunk chunk;
        std::memcpy(chunk.id, header, 4);
        chunk.size = Little32(header + 4);
        chunk.offset = at + static_cast<long>(kChunkHeaderBytes);
        if (chunk.size > static_cast<std::uint64_t>(end - chunk.offset))
            return false;
        chunks.push_back(chunk);
        // No pad byte after an odd size: files in the wild leave it out, and
        // the synth's reader does not skip one either.
        at = chunk.offset + static_cast<long>(chunk.size);
    }
    return true;
}

const Chunk* Find(const std::vector<Chunk>& chunks, const char* id) {
    for (const Chunk& chunk : chunks)
        if (std::memcmp(chunk.id, id, 4) == 0)
            return &chunk;
    return nullptr;
}

// A LIST chunk of the given type among `chunks`, with its sub-chunks.
bool ReadList(FILE* file, const std::vector<Chunk>& chunks, const char* type,
              std::vector<Chunk>& inside) {
    for (const Chunk& chunk : chunks) {
        char list_type[4];
        if (std::memcmp(chunk.id, "LIST", 4) != 0 || chunk.size < 4 ||
            !ReadAt(file, chunk.offset, list_type, 4) || std::memcmp(list_type, type, 4) != 0)
            continue;
        return ReadChunks(file, chunk.offset + 4, chunk.offset + static_cast<long>(chunk.size),
                          inside);
    }
    return false;
}

// The sample headers: each sample inside the sample data, rates noted.
std::string CheckSamples(FILE* file, const Chunk& shdr, std::uint64_t sample_points,
                         SoundFontFacts& facts) {
    std::vector<std::uint8_t> headers(shdr.size);
    if (!ReadAt(file, shdr.offset, headers.data(), headers.size()))
        return "cut short";
    const std::size_t count = headers.size() / kSampleHeaderBytes - 1;  // the last ends the list
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* header = headers.data() + i * kSampleHeaderBytes;
        const std::uint32_t start = Little32(header + 20);
        const std::uint32_t end = Little32(header + 24);
        const std::uint32_t rate = Little32(header + 36);
        const std::uint16_t type = static_cast<std::uint16_t>(header[44] | (header[45] << 8));
        if (type & 0x8000)
            continue;  // a ROM sample: the synth leaves it out
        if (start > end || end > sample_points)
            return "a sample lies outside the sample data";
        ++facts.samples;
        if (rate == 0)
            continue;
        const int hz = static_cast<int>(std::min<std::uint32_t>(rate, 1'000'000));
        facts.min_sample_rate =
            facts.min_sample_rate == 0 ? hz : std::min(facts.min_sample_rate, hz);
        facts.max_sample_rate = std::max(facts.max_sample_rate, hz);
    }
    return {};
}

std::string Inspect(FILE* file, long file_bytes, SoundFontFacts& facts) {
    std::uint8_t riff[12];
    if (file_bytes < 12 || !ReadAt(file, 0, riff, sizeof riff) ||
        std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "sfbk", 4) != 0)
        return "not a SoundFont";
    const std::uint64_t riff_end = std::uint64_t{Little32(riff + 4)} + kChunkHeaderBytes;
    if (riff_end > static_cast<std::uint64_t>(file_bytes))
        return "cut short";
    std::vector<Chunk> top;
    std::vector<Chunk> info;
    std::vector<Chunk> sdta;
    std::vector<Chunk> pdta;
    if (!ReadChunks(file, 12, static_cast<long>(riff_end), top) ||
        !ReadList(file, top, "INFO", info) || !ReadList(file, top, "sdta", sdta) ||
        !ReadList(file, top, "pdta", pdta))
        return "damaged (its chunks do not fit)";
    if (const Chunk* version = Find(info, "ifil"); version != nullptr && version->size >= 2) {
        std::uint8_t major[2];
        if (ReadAt(file, version->offset, major, 2))
            facts.compressed = major[0] == 3;
    }
    for (const RecordChunk& wanted : kPresetChunks) {
        const Chunk* chunk = Find(pdta, wanted.id);
        if (chunk == nullptr || chunk->size % wanted.record_bytes != 0 ||
            chunk->size < wanted.min_records * wanted.record_bytes)
            return std::string("damaged (its ") + wanted.id + " records)";
    }
    const Chunk* smpl = Find(sdta, "smpl");
    const std::uint64_t sample_points = smpl == nullptr    ? 0
                                        : facts.compressed ? smpl->size
                                                           : smpl->size / 2;
    return CheckSamples(file, *Find(pdta, "shdr"), sample_points, facts);
}

}  // namespace

SoundFontFacts CheckSoundFont(const std::string& path) {
    SoundFontFacts facts;
    File file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) {
        facts.problem = std::strerror(errno);
        return facts;
    }
    long file_bytes = -1;
    if (std::fseek(file.get(), 0, SEEK_END) == 0)
        file_bytes = std::ftell(file.get());
    if (file_bytes < 0) {
        facts.problem = "cannot be read";  // a folder, a pipe
        return facts;
    }
    facts.problem = Inspect(file.get(), file_bytes, facts);
    return facts;
}

}  // namespace platform::winmm
