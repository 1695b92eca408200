// Songs the benchmarks generate as Standard MIDI File bytes: a long song
// with tempo changes for real-time playback, a dense one for the monitors and
// one of exactly the loader's largest size.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "tests/midi/song_bytes.h"

namespace bench {

using song_bytes::Bytes;

// One track's events with delta times and an optional running status.
class TrackBytes {
public:
    void Event(std::uint32_t delta, std::initializer_list<std::uint8_t> bytes) {
        VarLen(delta);
        auto first = bytes.begin();
        // Repeated channel statuses are left out, as most files do.
        if (*first < 0xF0 && *first == running_status_)
            ++first;
        else
            running_status_ = *first < 0xF0 ? *first : 0;
        for (; first != bytes.end(); ++first)
            data_.push_back(*first);
    }
    void Meta(std::uint32_t delta, std::uint8_t type, const std::string& text) {
        VarLen(delta);
        data_.push_back(0xFF);
        data_.push_back(type);
        VarLen(static_cast<std::uint32_t>(text.size()));
        data_.insert(data_.end(), text.begin(), text.end());
        running_status_ = 0;
    }
    void Tempo(std::uint32_t delta, std::uint32_t micros_per_quarter) {
        VarLen(delta);
        data_.insert(data_.end(),
                     {0xFF, 0x51, 0x03, static_cast<std::uint8_t>(micros_per_quarter >> 16),
                      static_cast<std::uint8_t>(micros_per_quarter >> 8),
                      static_cast<std::uint8_t>(micros_per_quarter)});
        running_status_ = 0;
    }
    void End(std::uint32_t delta) {
        VarLen(delta);
        data_.insert(data_.end(), {0xFF, 0x2F, 0x00});
    }
    const Bytes& Data() const { return data_; }
    std::size_t Size() const { return data_.size(); }

private:
    void VarLen(std::uint32_t value) {
        std::uint8_t groups[5];
        int count = 0;
        do {
            groups[count++] = static_cast<std::uint8_t>(value & 0x7F);
            value >>= 7;
        } while (value != 0);
        while (count > 1)
            data_.push_back(static_cast<std::uint8_t>(groups[--count] | 0x80));
        data_.push_back(groups[0]);
    }

    Bytes data_;
    std::uint8_t running_status_ = 0;
};

inline constexpr int kDivision = 480;

// Tempos the long song cycles through, one every 32 quarter notes.
inline constexpr std::uint32_t kTempoCycle[] = {500000, 461538, 600000, 400000, 545454, 428571};
inline constexpr std::uint32_t kQuartersPerTempo = 32;

// Ticks that the tempo cycle needs to last at least `seconds`.
inline std::uint32_t TicksForSeconds(double seconds) {
    double left_us = seconds * 1e6;
    std::uint32_t ticks = 0;
    for (std::size_t i = 0; left_us > 0; ++i) {
        const double block_us =
            static_cast<double>(kTempoCycle[i % std::size(kTempoCycle)]) * kQuartersPerTempo;
        // The last block is cut where the time runs out.
        const double part = left_us < block_us ? left_us / block_us : 1.0;
        ticks += static_cast<std::uint32_t>(part * kQuartersPerTempo * kDivision + 0.5);
        left_us -= block_us;
    }
    return ticks;
}

// Tempo track: title, then a tempo change every 32 quarters up to `ticks`.
inline TrackBytes TempoTrack(const std::string& title, std::uint32_t ticks) {
    TrackBytes track;
    track.Meta(0, 0x03, title);
    std::uint32_t at = 0;
    for (std::size_t i = 0; at < ticks; ++i, at += kQuartersPerTempo * kDivision)
        track.Tempo(i == 0 ? 0 : kQuartersPerTempo * kDivision,
                    kTempoCycle[i % std::size(kTempoCycle)]);
    track.End(ticks - (at - kQuartersPerTempo * kDivision));
    return track;
}

// A melodic or drum line on `channel` up to `ticks`: a note every `step`
// ticks held for `length`, with a controller sweep and pitch bends on some
// channels so messages land both together and in between.
inline TrackBytes LineTrack(int channel, std::uint32_t ticks, std::uint32_t step,
                            std::uint32_t length, std::uint32_t offset) {
    TrackBytes track;
    const auto status = [channel](std::uint8_t kind) {
        return static_cast<std::uint8_t>(kind | channel);
    };
    track.Event(0, {status(0xC0), static_cast<std::uint8_t>(channel * 8)});
    track.Event(0, {status(0xB0), 7, 100});
    track.Event(0, {status(0xB0), 10, static_cast<std::uint8_t>(channel * 8)});
    std::uint32_t now = 0;
    std::uint32_t pending = offset;
    for (std::uint32_t n = 0; now + offset + step <= ticks; ++n) {
        const auto key = static_cast<std::uint8_t>(36 + (n * 5 + channel * 7) % 48);
        track.Event(pending, {status(0x90), key, static_cast<std::uint8_t>(64 + n % 48)});
        if (channel % 3 == 1) {
            // A short bend in the middle of the note.
            track.Event(length / 2, {status(0xE0), 0, static_cast<std::uint8_t>(64 + n % 16)});
            track.Event(length - length / 2, {status(0x80), key, 64});
        } else {
            track.Event(length, {status(0x90), key, 0});
        }
        if (n % 4 == 3)
            track.Event(0, {status(0xB0), 1, static_cast<std::uint8_t>(n % 128)});
        pending = step - length;
        now += step;
    }
    track.End(ticks - now - offset + pending);
    return track;
}

// About `seconds` of music on eight channels (drums on 10) with the tempo changes.
inline Bytes LongSong(double seconds) {
    const std::uint32_t ticks = TicksForSeconds(seconds);
    std::vector<Bytes> tracks = {TempoTrack("BENCHMARK PLAYBACK", ticks).Data()};
    const int channels[] = {0, 1, 2, 3, 4, 5, 6, 9};
    for (int i = 0; i < 8; ++i) {
        const std::uint32_t step = i % 2 == 0 ? kDivision / 2 : kDivision / 3;
        tracks.push_back(LineTrack(channels[i], ticks, step, step * 3 / 4, (i * 37) % step).Data());
    }
    return song_bytes::Song(kDivision, tracks);
}

// A chord track on `channel` that keeps `held` notes sounding all the time,
// each note changing every beat at a different moment, with moving
// controllers, so every meter and key of the monitors stays busy.
inline TrackBytes HeldChordTrack(int channel, std::uint32_t ticks, int held) {
    TrackBytes track;
    const auto status = [channel](std::uint8_t kind) {
        return static_cast<std::uint8_t>(kind | channel);
    };
    track.Event(0, {status(0xC0), static_cast<std::uint8_t>(channel * 7)});
    std::vector<std::uint8_t> keys(held);
    for (int v = 0; v < held; ++v) {
        keys[v] = static_cast<std::uint8_t>(24 + channel * 3 + v * 11);
        track.Event(0, {status(0x90), keys[v], 100});
    }
    const std::uint32_t slice = kDivision / static_cast<std::uint32_t>(held);
    std::uint32_t now = 0;
    for (std::uint32_t n = 0; now + slice <= ticks; ++n) {
        const int v = static_cast<int>(n % held);
        track.Event(slice, {status(0x90), keys[v], 0});
        keys[v] = static_cast<std::uint8_t>(12 + (keys[v] + 7 + channel) % 96);
        track.Event(0, {status(0x90), keys[v], static_cast<std::uint8_t>(40 + (n * 13) % 87)});
        track.Event(0, {status(0xB0), static_cast<std::uint8_t>(n % 2 ? 1 : 10),
                        static_cast<std::uint8_t>(n % 128)});
        track.Event(0, {status(0xE0), 0, static_cast<std::uint8_t>(32 + n % 64)});
        now += slice;
    }
    track.End(ticks - now);
    return track;
}

// 16 channels of held chords for `seconds` at a steady 120 beats a minute.
inline Bytes DenseSong(double seconds, int held_per_channel) {
    const auto ticks = static_cast<std::uint32_t>(seconds * 2 * kDivision);
    TrackBytes tempo;
    tempo.Meta(0, 0x03, "BENCHMARK MONITORS");
    tempo.Tempo(0, 500000);
    tempo.End(ticks);
    std::vector<Bytes> tracks = {tempo.Data()};
    for (int channel = 0; channel < 16; ++channel)
        tracks.push_back(HeldChordTrack(channel, ticks, held_per_channel).Data());
    return song_bytes::Song(kDivision, tracks);
}

// A song of exactly `total_bytes`: a title and tempo track, then 16 note
// tracks filled evenly; the last track's text event takes up the rest.
inline Bytes SongOfSize(std::size_t total_bytes) {
    constexpr std::size_t kHeader = 14;
    constexpr std::size_t kChunkHeader = 8;
    constexpr int kNoteTracks = 16;
    TrackBytes first;
    first.Meta(0, 0x03, "BENCHMARK LOAD 256 KB");
    first.Tempo(0, 500000);
    first.End(0);
    // Room for the text event: its header (delta, FF 01, length up to 3 bytes) and End of Track.
    constexpr std::size_t kReserve = 4096;
    const std::size_t per_track =
        (total_bytes - kHeader - kChunkHeader * (kNoteTracks + 1) - first.Size() - kReserve) /
        kNoteTracks;
    std::vector<Bytes> tracks = {first.Data()};
    std::size_t used = kHeader + kChunkHeader + first.Size();
    for (int channel = 0; channel < kNoteTracks; ++channel) {
        TrackBytes track;
        const auto status = static_cast<std::uint8_t>(0x90 | channel);
        for (std::uint32_t n = 0; track.Size() + 16 < per_track; ++n) {
            const auto key = static_cast<std::uint8_t>(36 + (n * 7 + channel) % 60);
            track.Event(n % 3 == 0 ? 0 : 60, {status, key, 90});
            track.Event(120, {status, key, 0});
        }
        if (channel == kNoteTracks - 1) {
            // delta 0, FF 01, a 2-byte length, the text, then 00 FF 2F 00.
            const std::size_t fixed = used + kChunkHeader + track.Size() + 1 + 2 + 2 + 4;
            track.Meta(0, 0x01, std::string(total_bytes - fixed, 'x'));
        }
        track.End(0);
        used += kChunkHeader + track.Size();
        tracks.push_back(track.Data());
    }
    return song_bytes::Song(kDivision, tracks);
}

}  // namespace bench
