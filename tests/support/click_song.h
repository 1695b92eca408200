// A click song for timing checks: claves hits at irregular ticks across
// tempo changes (or in SMPTE time), with the exact time of every hit worked
// out from the song's own numbers, apart from the program's arithmetic.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/midi/song_bytes.h"

namespace support {

struct ClickSong {
    song_bytes::Bytes bytes;
    std::vector<double> hit_seconds;  // exact song time of each hit, in order
    int key = 75;                     // General MIDI claves
};

// `hits` hits from `first_tick` on; tempo-based time with `tempo_changes`
// changes spread over the song (division 480), or SMPTE time at 30 frames of
// 80 ticks when `smpte`.
inline ClickSong MakeClickSong(int hits = 90, int tempo_changes = 3, bool smpte = false,
                               std::uint32_t first_tick = 0) {
    using song_bytes::Bytes;
    using song_bytes::VarLen;
    const std::uint32_t tempos[] = {500000, 437956, 674157, 350877};  // 120, 137, 89, 171 BPM
    const int division = smpte ? ((256 - 30) << 8 | 80) : 480;
    std::vector<std::uint32_t> hit_ticks;
    for (std::uint32_t tick = first_tick, n = 0; static_cast<int>(n) < hits; ++n) {
        hit_ticks.push_back(tick);
        tick += 240 + (n * 97 + 31) % 301;  // irregular, never closer than 240
    }
    // Tempo changes between hits, on ticks no hit has.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> changes = {{0, tempos[0]}};
    for (int c = 1; c <= tempo_changes && !smpte; ++c) {
        const std::size_t after = hit_ticks.size() * c / (tempo_changes + 1);
        changes.push_back({hit_ticks[after] + 113, tempos[c % 4]});
    }
    auto tempo_event = [](std::uint32_t delta, std::uint32_t value) {
        Bytes out = VarLen(delta);
        out.insert(out.end(),
                   {0xFF, 0x51, 0x03, static_cast<std::uint8_t>(value >> 16),
                    static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)});
        return out;
    };
    Bytes conductor;
    std::uint32_t last = 0;
    for (const auto& [tick, value] : changes) {
        if (smpte)
            break;
        const Bytes event = tempo_event(tick - last, value);
        conductor.insert(conductor.end(), event.begin(), event.end());
        last = tick;
    }
    conductor.insert(conductor.end(), song_bytes::kEndOfTrack.begin(),
                     song_bytes::kEndOfTrack.end());
    ClickSong song;
    // Reverb and chorus off, so each hit starts from silence.
    Bytes clicks = {0x00, 0xB9, 91, 0, 0x00, 0xB9, 93, 0};
    last = 0;
    for (std::uint32_t tick : hit_ticks) {
        for (std::uint32_t at : {tick, tick + 60}) {
            const Bytes delta = VarLen(at - last);
            clicks.insert(clicks.end(), delta.begin(), delta.end());
            clicks.insert(clicks.end(), {static_cast<std::uint8_t>(at == tick ? 0x99 : 0x89),
                                         static_cast<std::uint8_t>(song.key),
                                         static_cast<std::uint8_t>(at == tick ? 127 : 0)});
            last = at;
        }
    }
    clicks.insert(clicks.end(), song_bytes::kEndOfTrack.begin(), song_bytes::kEndOfTrack.end());
    song.bytes = song_bytes::Song(division, {conductor, clicks});
    for (std::uint32_t tick : hit_ticks) {
        if (smpte) {
            song.hit_seconds.push_back(tick / 2400.0);
            continue;
        }
        double seconds = 0;
        for (std::size_t c = 0; c < changes.size() && changes[c].first < tick; ++c) {
            const std::uint32_t end =
                c + 1 < changes.size() ? std::min(changes[c + 1].first, tick) : tick;
            seconds +=
                static_cast<double>(end - changes[c].first) * changes[c].second / 480.0 / 1e6;
        }
        song.hit_seconds.push_back(seconds);
    }
    return song;
}

}  // namespace support
