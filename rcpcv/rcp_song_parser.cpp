// Reading the header and the track blocks of both file layouts.
#include "rcpcv/rcp_song.h"

#include <algorithm>
#include <cstring>

namespace rcpcv {
namespace {

constexpr char kClassicSignature[] = "RCM-PC98V2.0(C)";
constexpr char kExtendedSignature[] = "COME ON MUSIC RECOMPOSER RCP3.0";

constexpr size_t kClassicHeaderSize = 0x586;
constexpr size_t kExtendedHeaderSize = 0xC98;
constexpr size_t kClassicMaxTracks = 36;
constexpr size_t kExtendedMaxTracks = 99;
constexpr size_t kMemoLines = 12;
constexpr size_t kUserExclusiveEntrySize = 48;
constexpr uint16_t kDefaultTimebase = 48;
constexpr uint16_t kDefaultTempoBpm = 120;

// A bounds-checked view of the file; reads past the end give 0.
class ByteReader {
public:
    explicit ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    size_t Size() const { return bytes_.size(); }
    uint8_t U8(size_t offset) const { return offset < bytes_.size() ? bytes_[offset] : 0; }
    uint16_t U16(size_t offset) const { return U8(offset) | (U8(offset + 1) << 8); }
    uint32_t U32(size_t offset) const {
        return U16(offset) | (static_cast<uint32_t>(U16(offset + 2)) << 16);
    }
    std::span<const uint8_t> Bytes(size_t offset, size_t length) const {
        if (offset >= bytes_.size()) {
            return {};
        }
        return bytes_.subspan(offset, std::min(length, bytes_.size() - offset));
    }
    bool Matches(size_t offset, const char* text) const {
        size_t length = std::strlen(text);
        auto bytes = Bytes(offset, length);
        return bytes.size() == length && std::memcmp(bytes.data(), text, length) == 0;
    }

private:
    std::span<const uint8_t> bytes_;
};

struct LayoutFacts {
    size_t header_size;
    size_t track_header_size;
    size_t record_size;
    size_t title_offset;
    size_t title_length;
    size_t memo_offset;
    size_t memo_line_length;
};

constexpr LayoutFacts kClassicFacts{kClassicHeaderSize, 44, 4, 0x20, 64, 0x60, 28};
constexpr LayoutFacts kExtendedFacts{kExtendedHeaderSize, 46, 6, 0x20, 128, 0xA0, 30};

RcpRecord ReadRecord(const ByteReader& file, size_t offset, RcpLayout layout) {
    RcpRecord record;
    record.command = file.U8(offset);
    if (layout == RcpLayout::Classic) {
        record.step = file.U8(offset + 1);
        record.p1 = file.U8(offset + 2);
        record.p2 = file.U8(offset + 3);
        record.data_length = 2;
        record.data[0] = file.U8(offset + 2);
        record.data[1] = file.U8(offset + 3);
    } else {
        record.p2 = file.U8(offset + 1);
        record.step = file.U16(offset + 2);
        record.p1 = file.U16(offset + 4);
        record.data_length = 5;
        for (size_t i = 0; i < 5; ++i) {
            record.data[i] = file.U8(offset + 1 + i);
        }
    }
    return record;
}

bool IsEndRecord(uint8_t command) {
    return command == 0xFE || command == 0xFF;
}

// Where a block's events end, and where the next block starts.
struct BlockExtent {
    size_t events_end;
    size_t next_block;
};

// The track's events run up to the block's end, and the next block starts at its declared end.
// A block whose last record is not an end mark has a wrong size: its true end is the first end
// record after its events, and the next block follows that. A block of a header alone is an
// empty track.
BlockExtent TrueBlockExtent(const ByteReader& file, size_t events_start, size_t declared_end,
                            size_t record_size) {
    size_t clipped_end = std::min(declared_end, file.Size());
    size_t record_count = (clipped_end - events_start) / record_size;
    size_t whole_records_end = events_start + record_count * record_size;
    if (declared_end == events_start ||
        (record_count > 0 && IsEndRecord(file.U8(whole_records_end - record_size)))) {
        return {whole_records_end, clipped_end};
    }
    for (size_t offset = events_start; offset + record_size <= file.Size(); offset += record_size) {
        if (file.U8(offset) == 0xFE) {
            return {offset + record_size, offset + record_size};
        }
    }
    return {whole_records_end, whole_records_end};
}

// Reads one track block at `offset`; returns the offset of the next block, or nothing when
// track parsing ends here.
std::optional<size_t> ReadTrack(const ByteReader& file, size_t offset, RcpLayout layout,
                                const LayoutFacts& facts, RcpTrack& track, uint8_t& raw_shift) {
    if (offset + facts.track_header_size > file.Size() || file.Matches(offset, "RCFW")) {
        return std::nullopt;
    }
    size_t block_size;
    size_t fields;  // offset of the channel byte inside the header
    if (layout == RcpLayout::Classic) {
        uint16_t word = file.U16(offset);
        // Some writers keep bits 16-17 of the size in its two low bits (sizes are multiples
        // of 4, so those bits are free).
        block_size = (word & 0xFFFCu) + (static_cast<size_t>(word & 3u) << 16);
        fields = 4;
    } else {
        block_size = file.U32(offset);
        fields = 6;
    }
    if (block_size < facts.track_header_size) {
        return std::nullopt;
    }
    track.channel = file.U8(offset + fields);
    track.key_shift = file.U8(offset + fields + 1);
    raw_shift = file.U8(offset + fields + 2);
    track.step_shift = static_cast<int8_t>(raw_shift);
    track.mode = file.U8(offset + fields + 3);
    track.name = TrimmedText(file.Bytes(offset + fields + 4, 36));

    size_t events_start = offset + facts.track_header_size;
    const BlockExtent extent =
        TrueBlockExtent(file, events_start, offset + block_size, facts.record_size);
    track.records.reserve((extent.events_end - events_start) / facts.record_size);
    for (size_t at = events_start; at + facts.record_size <= extent.events_end;
         at += facts.record_size) {
        track.records.push_back(ReadRecord(file, at, layout));
    }
    return extent.next_block;
}

// The exclusive template of a user exclusive entry in the newer layout starts either right
// after a 24-byte name or one byte earlier; name padding at the 24th byte tells which.
std::vector<uint8_t> ExtendedUserExclusive(const ByteReader& file, size_t entry) {
    uint8_t last_name_byte = file.U8(entry + 0x17);
    if (last_name_byte == 0x20 || last_name_byte == 0x00) {
        auto bytes = file.Bytes(entry + 0x18, 24);
        return {bytes.begin(), bytes.end()};
    }
    auto bytes = file.Bytes(entry + 0x17, 25);
    return {bytes.begin(), bytes.end()};
}

}  // namespace

std::array<uint8_t, 2> KeySignatureData(uint8_t key) {
    int accidentals = key & 0x07;
    int sharps_or_flats = (key & 0x08) != 0 ? -accidentals : accidentals;
    return {static_cast<uint8_t>(sharps_or_flats), static_cast<uint8_t>((key >> 4) & 1)};
}

std::string TrimmedText(std::span<const uint8_t> bytes) {
    size_t length = bytes.size();
    while (length > 0 && (bytes[length - 1] == 0x20 || bytes[length - 1] == 0x00)) {
        --length;
    }
    return std::string(bytes.begin(), bytes.begin() + length);
}

std::optional<RcpSong> ParseRcpSong(std::span<const uint8_t> bytes) {
    ByteReader file(bytes);
    RcpSong song;
    const LayoutFacts* facts;
    if (file.Matches(0, kClassicSignature)) {
        song.layout = RcpLayout::Classic;
        facts = &kClassicFacts;
    } else if (file.Matches(0, kExtendedSignature) && file.U8(0x1F) == 0) {
        song.layout = RcpLayout::Extended;
        facts = &kExtendedFacts;
    } else {
        return std::nullopt;
    }
    if (file.Size() < facts->header_size + facts->track_header_size) {
        return std::nullopt;
    }

    song.title = TrimmedText(file.Bytes(facts->title_offset, facts->title_length));
    for (size_t line = 0; line < kMemoLines; ++line) {
        song.memo.push_back(TrimmedText(file.Bytes(
            facts->memo_offset + line * facts->memo_line_length, facts->memo_line_length)));
    }

    size_t track_count;
    uint32_t timebase;
    // Files of the oldest writers (track count byte 0) may hold unsigned step shifts.
    bool shifts_may_be_unsigned = false;
    if (song.layout == RcpLayout::Classic) {
        uint8_t count_byte = file.U8(0x1E6);
        track_count = count_byte == 0 ? 18 : std::min<size_t>(count_byte, kClassicMaxTracks);
        // The high byte of the timebase exists only in files that state their track count.
        timebase = file.U8(0x1C0) + (count_byte != 0 ? file.U8(0x1E7) << 8 : 0);
        song.tempo_bpm = file.U8(0x1C1);
        song.beat_numerator = file.U8(0x1C2);
        song.beat_denominator = file.U8(0x1C3);
        song.key = file.U8(0x1C4);
        song.play_bias = static_cast<int8_t>(file.U8(0x1C5));
        for (size_t n = 0; n < song.user_exclusive.size(); ++n) {
            auto bytes = file.Bytes(0x406 + n * kUserExclusiveEntrySize + 0x18, 24);
            song.user_exclusive[n].assign(bytes.begin(), bytes.end());
        }
        shifts_may_be_unsigned = count_byte == 0;
    } else {
        uint16_t count_word = file.U16(0x208);
        track_count = count_word == 0 ? 36 : std::min<size_t>(count_word, kExtendedMaxTracks);
        timebase = file.U16(0x20A);
        song.tempo_bpm = file.U16(0x20C);
        song.beat_numerator = file.U8(0x20E);
        song.beat_denominator = file.U8(0x20F);
        song.key = file.U8(0x210);
        song.play_bias = static_cast<int8_t>(file.U8(0x211));
        for (size_t n = 0; n < song.user_exclusive.size(); ++n) {
            song.user_exclusive[n] =
                ExtendedUserExclusive(file, 0xB18 + n * kUserExclusiveEntrySize);
        }
    }
    if (timebase == 0) {
        timebase = kDefaultTimebase;
    }
    if (timebase >= 0x8000) {
        return std::nullopt;  // not expressible as an SMF division in ticks per quarter note
    }
    song.timebase = static_cast<uint16_t>(timebase);
    if (song.tempo_bpm == 0) {
        song.tempo_bpm = kDefaultTempoBpm;
    }

    std::vector<uint8_t> raw_shifts;
    size_t offset = facts->header_size;
    for (size_t i = 0; i < track_count; ++i) {
        RcpTrack track;
        uint8_t raw_shift = 0;
        auto next = ReadTrack(file, offset, song.layout, *facts, track, raw_shift);
        if (!next) {
            break;
        }
        song.tracks.push_back(std::move(track));
        raw_shifts.push_back(raw_shift);
        offset = *next;
    }

    // Signed shifts stay within -99..+99; any value outside says the file stores them unsigned.
    if (shifts_may_be_unsigned) {
        bool all_signed_range = std::all_of(raw_shifts.begin(), raw_shifts.end(), [](uint8_t raw) {
            int value = static_cast<int8_t>(raw);
            return value >= -99 && value <= 99;
        });
        if (!all_signed_range) {
            for (size_t i = 0; i < song.tracks.size(); ++i) {
                song.tracks[i].step_shift = raw_shifts[i];
            }
        }
    }
    return song;
}

}  // namespace rcpcv
