// The whole conversion: a sequence file in, a format-1 Standard MIDI File out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "rcpcv/rcp_song.h"

namespace rcpcv {

// Bounds that keep hostile files (loop bombs, huge repeat counts) from taking unbounded time
// or memory. A song that reaches them is cut off there; what came before is kept.
struct ConversionLimits {
    size_t max_records = 2'000'000;      // records walked over the whole song
    size_t max_event_bytes = 32u << 20;  // bytes of SMF events over the whole song
};

// Choices of the conversion; the defaults give the song as a plain player plays it.
struct ConversionOptions {
    // For a player that loops: when every track's outermost endless loop covers the same ticks,
    // the body is given once, its start marked with controller 111 (B0 6F 00 in the conductor
    // track) and the song ending where the body does. Otherwise endless loops are played a fixed
    // number of times, as by default.
    bool mark_endless_loop = false;
};

// The SMF data: the conductor track first (title, memo lines, time and key signature, tempo
// and every tempo and key change), then one track per sequence track that is not muted and
// has something to play.
std::vector<uint8_t> ConvertSong(const RcpSong& song, const ConversionLimits& limits = {},
                                 const ConversionOptions& options = {});

// Parses and converts; nothing when the data are not a sequence file.
std::optional<std::vector<uint8_t>> ConvertRcpToSmf(std::span<const uint8_t> file,
                                                    const ConversionLimits& limits = {},
                                                    const ConversionOptions& options = {});

}  // namespace rcpcv
