#include "rcpcv/song_converter.h"

#include <algorithm>

#include "rcpcv/smf_track.h"
#include "rcpcv/track_converter.h"

namespace rcpcv {
namespace {

constexpr uint8_t kClocksPerClick = 24;
constexpr uint8_t kThirtySecondsPerQuarter = 8;

std::span<const uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// Power-of-two exponent of a denominator, or nothing when it is not a power of two.
std::optional<uint8_t> Log2(uint8_t value) {
    if (value == 0 || (value & (value - 1)) != 0) {
        return std::nullopt;
    }
    uint8_t exponent = 0;
    while (value > 1) {
        value >>= 1;
        ++exponent;
    }
    return exponent;
}

void AddSongHeader(const RcpSong& song, SmfTrack& conductor) {
    conductor.AddMeta(0, kMetaTrackName, Bytes(song.title));
    // Memo lines keep their places: blank ones become a single space, but only when the memo
    // says anything at all.
    bool any_memo = std::any_of(song.memo.begin(), song.memo.end(),
                                [](const std::string& line) { return !line.empty(); });
    if (any_memo) {
        for (const std::string& line : song.memo) {
            conductor.AddMeta(0, kMetaText, Bytes(line.empty() ? std::string(" ") : line));
        }
    }
    // The beat is only a display setting; one that cannot be written becomes 4/4.
    uint8_t numerator = song.beat_numerator;
    std::optional<uint8_t> exponent = Log2(song.beat_denominator);
    if (numerator == 0 || !exponent) {
        numerator = 4;
        exponent = 2;
    }
    const uint8_t time_signature[] = {numerator, *exponent, kClocksPerClick,
                                      kThirtySecondsPerQuarter};
    conductor.AddMeta(0, kMetaTimeSignature, time_signature);
    conductor.AddMeta(0, kMetaKeySignature, KeySignatureData(song.key));
    uint32_t tempo_us = std::min<uint32_t>(60000000u / song.tempo_bpm, 0xFFFFFF);
    const uint8_t tempo[] = {static_cast<uint8_t>(tempo_us >> 16),
                             static_cast<uint8_t>(tempo_us >> 8), static_cast<uint8_t>(tempo_us)};
    conductor.AddMeta(0, kMetaTempo, tempo);
}

// Tracks name their port only in songs that use port B.
bool UsesSecondPort(const RcpSong& song) {
    for (const RcpTrack& track : song.tracks) {
        if (track.channel >= 0x10 && track.channel < 0x20) {
            return true;
        }
        for (const RcpRecord& record : track.records) {
            if (record.command == 0xE6 && record.p1 >= 17 && record.p1 <= 32) {
                return true;
            }
        }
    }
    return false;
}

// The conductor and the tracks that play, with the endless loop each stopped at (when asked
// to stop at one).
struct ConvertedTracks {
    std::vector<SmfTrack> tracks;
    std::vector<std::optional<LoopSpan>> loops;  // one for each of tracks
};

ConvertedTracks ConvertTracks(const RcpSong& song, const ConversionLimits& limits,
                              bool stop_at_endless_loops) {
    ConvertedTracks converted;
    converted.tracks.resize(1);
    converted.loops.resize(1);
    AddSongHeader(song, converted.tracks[0]);
    bool use_port_meta = UsesSecondPort(song);
    ConversionBudget budget{limits.max_records, limits.max_event_bytes};
    for (const RcpTrack& track : song.tracks) {
        // Muted and silent tracks are still walked: their tempo and key changes count. The
        // conductor is looked up each time, as adding tracks moves it.
        TrackConverter converter(song, track, converted.tracks[0], use_port_meta);
        if (stop_at_endless_loops) {
            converter.StopAtEndlessLoop();
        }
        converter.Convert(budget);
        bool muted = (track.mode & 1) != 0;
        if (!muted && converter.HasContent()) {
            converted.tracks.push_back(std::move(converter.Output()));
            converted.loops.push_back(converter.EndlessLoop());
        }
    }
    return converted;
}

// The loop the whole song can be played with: every track that plays on past its start stops
// at an endless loop over the same ticks, and nothing comes after it. Nothing otherwise.
std::optional<LoopSpan> CommonEndlessLoop(const ConvertedTracks& converted) {
    std::optional<LoopSpan> common;
    for (const std::optional<LoopSpan>& loop : converted.loops) {
        if (loop && common && *loop != *common) {
            return std::nullopt;
        }
        common = loop ? loop : common;
    }
    if (!common || common->end <= common->start) {
        return std::nullopt;
    }
    for (size_t i = 0; i < converted.tracks.size(); ++i) {
        const uint32_t last_allowed = converted.loops[i] ? common->end : common->start;
        // The conductor's tempo and key changes may lie anywhere up to the loop's end.
        const uint32_t limit = i == 0 ? common->end : last_allowed;
        if (converted.tracks[i].LastEventTick() > limit) {
            return std::nullopt;
        }
    }
    return common;
}

}  // namespace

std::vector<uint8_t> ConvertSong(const RcpSong& song, const ConversionLimits& limits,
                                 const ConversionOptions& options) {
    if (options.mark_endless_loop) {
        ConvertedTracks marked = ConvertTracks(song, limits, true);
        if (const std::optional<LoopSpan> loop = CommonEndlessLoop(marked)) {
            constexpr uint8_t kLoopStartController = 111;
            marked.tracks[0].AddChannelMessage(loop->start, 0xB0, kLoopStartController, 0);
            // Every track ends where the loop body does, so the song's end is the loop's end.
            for (SmfTrack& track : marked.tracks) {
                track.SetEndTick(loop->end);
            }
            return WriteSmf(song.timebase, marked.tracks);
        }
    }
    ConvertedTracks converted = ConvertTracks(song, limits, false);
    uint32_t end_tick = 0;
    for (size_t i = 1; i < converted.tracks.size(); ++i) {
        end_tick = std::max(end_tick, converted.tracks[i].EndTick());
    }
    converted.tracks[0].ExtendEndTo(end_tick);
    return WriteSmf(song.timebase, converted.tracks);
}

std::optional<std::vector<uint8_t>> ConvertRcpToSmf(std::span<const uint8_t> file,
                                                    const ConversionLimits& limits,
                                                    const ConversionOptions& options) {
    std::optional<RcpSong> song = ParseRcpSong(file);
    if (!song) {
        return std::nullopt;
    }
    return ConvertSong(*song, limits, options);
}

}  // namespace rcpcv
