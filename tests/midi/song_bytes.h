// Builds small Standard MIDI Files in memory for the engine's tests.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/scratch_folder.h"

namespace song_bytes {

using Bytes = std::vector<std::uint8_t>;

inline void Big32(Bytes& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

inline Bytes Header(int format, int tracks, int division, std::uint32_t length = 6) {
    Bytes out = {'M', 'T', 'h', 'd'};
    Big32(out, length);
    for (int word : {format, tracks, division}) {
        out.push_back(static_cast<std::uint8_t>(word >> 8));
        out.push_back(static_cast<std::uint8_t>(word));
    }
    out.resize(8 + std::max<std::uint32_t>(length, 6), 0);
    return out;
}

inline Bytes Chunk(const Bytes& events, const char* type = "MTrk") {
    Bytes out(type, type + 4);
    Big32(out, static_cast<std::uint32_t>(events.size()));
    out.insert(out.end(), events.begin(), events.end());
    return out;
}

inline Bytes Song(int division, const std::vector<Bytes>& track_events, int format = 1) {
    Bytes out = Header(format, static_cast<int>(track_events.size()), division);
    for (const Bytes& events : track_events) {
        Bytes chunk = Chunk(events);
        out.insert(out.end(), chunk.begin(), chunk.end());
    }
    return out;
}

inline const Bytes kEndOfTrack = {0x00, 0xFF, 0x2F, 0x00};

inline void Little32(Bytes& out, std::uint32_t v) {
    for (int shift = 0; shift <= 24; shift += 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

// A RIFF chunk: its id, its size (the body's, unless told), the body and a
// pad byte after an odd-sized body.
inline Bytes RiffChunk(const char* id, const Bytes& body, std::int64_t size = -1) {
    Bytes out(id, id + 4);
    Little32(out,
             size < 0 ? static_cast<std::uint32_t>(body.size()) : static_cast<std::uint32_t>(size));
    out.insert(out.end(), body.begin(), body.end());
    if (body.size() % 2 == 1)
        out.push_back(0);
    return out;
}

// A RIFF 'RMID' file of the chunks given.
inline Bytes Rmid(const std::vector<Bytes>& chunks) {
    Bytes body = {'R', 'M', 'I', 'D'};
    for (const Bytes& chunk : chunks)
        body.insert(body.end(), chunk.begin(), chunk.end());
    Bytes out = {'R', 'I', 'F', 'F'};
    Little32(out, static_cast<std::uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// A variable-length quantity (a delta time or a length).
inline Bytes VarLen(std::uint32_t value) {
    Bytes out = {static_cast<std::uint8_t>(value & 0x7F)};
    while (value >>= 7)
        out.insert(out.begin(), static_cast<std::uint8_t>(0x80 | (value & 0x7F)));
    return out;
}

// A meta event `delta` ticks after the event before.
inline Bytes Meta(std::uint32_t delta, std::uint8_t type, const std::string& data) {
    Bytes out = VarLen(delta);
    out.insert(out.end(), {0xFF, type});
    const Bytes length = VarLen(static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), length.begin(), length.end());
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

// One track's events, each after its delta time.
class Events {
public:
    Events& At(std::uint32_t delta, std::initializer_list<std::uint8_t> event) {
        const Bytes time = VarLen(delta);
        bytes.insert(bytes.end(), time.begin(), time.end());
        bytes.insert(bytes.end(), event);
        return *this;
    }
    Events& Tempo(std::uint32_t delta, std::uint32_t micros) {
        return At(delta,
                  {0xFF, 0x51, 0x03, static_cast<std::uint8_t>(micros >> 16),
                   static_cast<std::uint8_t>(micros >> 8), static_cast<std::uint8_t>(micros)});
    }
    Events& Marker(std::uint32_t delta, const std::string& text) {
        const Bytes meta = Meta(delta, 0x06, text);
        bytes.insert(bytes.end(), meta.begin(), meta.end());
        return *this;
    }
    // Events with no delta of their own after the last (running status).
    Events& Raw(std::initializer_list<std::uint8_t> more) {
        bytes.insert(bytes.end(), more);
        return *this;
    }
    Bytes End(std::uint32_t delta = 0) {
        At(delta, {0xFF, 0x2F, 0x00});
        return bytes;
    }

private:
    Bytes bytes;
};

inline Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

// A file in a scratch folder of its own, removed with the object.
class TempFile {
public:
    explicit TempFile(const Bytes& contents, const std::string& name = "song.mid")
        : path_(folder_.WriteFile(name, std::string(contents.begin(), contents.end())).string()) {}
    const char* Path() const { return path_.c_str(); }

private:
    support::ScratchFolder folder_{"nivra-midi"};
    std::string path_;
};

}  // namespace song_bytes
