// The sequence file as read from disk: header fields, track headers and event records, with
// both record layouts (4-byte and 6-byte) brought to one form.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace rcpcv {

// The two file layouts: the 18/36-track form with 4-byte records, and the newer form with
// 6-byte records and 16-bit fields.
enum class RcpLayout { Classic, Extended };

// One event record. `step`, `p1` and `p2` are the record's fields whatever its layout;
// `data` holds the raw bytes that comments and exclusive continuations carry.
struct RcpRecord {
    uint8_t command = 0;
    uint16_t step = 0;
    uint16_t p1 = 0;
    uint16_t p2 = 0;
    std::array<uint8_t, 5> data{};
    uint8_t data_length = 0;
};

struct RcpTrack {
    uint8_t channel = 0xFF;  // header channel byte: 0x00-0x1F = port and channel, else off
    uint8_t key_shift = 0;   // bit 7 = off (no transposition at all), else 7-bit signed
    int step_shift = 0;      // ticks added to every event of the track
    uint8_t mode = 0;        // bit 0 = muted
    std::string name;        // raw Shift-JIS bytes, padding trimmed
    std::vector<RcpRecord> records;
};

struct RcpSong {
    RcpLayout layout = RcpLayout::Classic;
    std::string title;              // raw bytes, padding trimmed
    std::vector<std::string> memo;  // one entry per memo line, padding trimmed
    uint16_t timebase = 48;         // ticks per quarter note, never 0
    uint16_t tempo_bpm = 120;       // initial tempo, never 0
    uint8_t beat_numerator = 4;
    uint8_t beat_denominator = 4;
    uint8_t key = 0;    // key signature byte (accidentals, flat and minor bits)
    int play_bias = 0;  // global transposition in semitones
    std::array<std::vector<uint8_t>, 8> user_exclusive;  // templates, without the leading F0
    std::vector<RcpTrack> tracks;

    // Byte size of one record and of a track header in this layout.
    size_t RecordSize() const { return layout == RcpLayout::Classic ? 4 : 6; }
    size_t TrackHeaderSize() const { return layout == RcpLayout::Classic ? 44 : 46; }
};

// Reads a sequence file. Returns nothing when the data are not a sequence file (unknown
// signature, shorter than a header and one track header, or an unusable timebase). A file
// that ends early or holds broken track blocks yields the tracks that could be read.
std::optional<RcpSong> ParseRcpSong(std::span<const uint8_t> file);

// The SMF key signature data (sharps or negative flats, then 1 for minor) of a key byte:
// bits 0-2 count the accidentals, bit 3 makes them flats, bit 4 means minor.
std::array<uint8_t, 2> KeySignatureData(uint8_t key);

// Trims trailing spaces and NULs, and stops at nothing else: the bytes are kept as they are.
std::string TrimmedText(std::span<const uint8_t> bytes);

}  // namespace rcpcv
