#include "song_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace demo {
namespace {

void PutVarLen(Bytes& out, std::uint32_t value) {
    std::uint8_t groups[5];
    int n = 0;
    do {
        groups[n++] = value & 0x7F;
        value >>= 7;
    } while (value != 0);
    while (n-- > 1)
        out.push_back(groups[n] | 0x80);
    out.push_back(groups[0]);
}

void PutBig32(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back((value >> shift) & 0xFF);
}

void PutText(Bytes& out, std::size_t offset, const std::string& text, std::size_t width,
             std::uint8_t pad) {
    for (std::size_t i = 0; i < width; ++i)
        out[offset + i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : pad;
}

// CRC-16/XMODEM over the first 124 header bytes, as MacBinary II stores it.
std::uint16_t MacBinaryCrc(const Bytes& header) {
    std::uint16_t crc = 0;
    for (int i = 0; i < 124; ++i) {
        crc ^= static_cast<std::uint16_t>(header[i]) << 8;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? static_cast<std::uint16_t>((crc << 1) ^ 0x1021)
                                 : static_cast<std::uint16_t>(crc << 1);
    }
    return crc;
}

}  // namespace

void SmfTrack::Add(std::uint32_t tick, Bytes message) {
    events_.push_back({tick, static_cast<std::uint32_t>(events_.size()), std::move(message)});
}

void SmfTrack::Meta(std::uint32_t tick, std::uint8_t type, const std::string& text) {
    Bytes bytes{0xFF, type};
    PutVarLen(bytes, static_cast<std::uint32_t>(text.size()));
    bytes.insert(bytes.end(), text.begin(), text.end());
    Add(tick, bytes);
}

void SmfTrack::Tempo(std::uint32_t tick, double bpm) {
    auto micros = static_cast<std::uint32_t>(std::lround(60'000'000.0 / bpm));
    Add(tick, {0xFF, 0x51, 0x03, static_cast<std::uint8_t>(micros >> 16),
               static_cast<std::uint8_t>(micros >> 8), static_cast<std::uint8_t>(micros)});
}

void SmfTrack::Note(std::uint32_t tick, std::uint32_t length, int channel, int key, int velocity) {
    auto status = static_cast<std::uint8_t>(0x90 | channel);
    Add(tick, {status, static_cast<std::uint8_t>(key), static_cast<std::uint8_t>(velocity)});
    Add(tick + length, {status, static_cast<std::uint8_t>(key), 0});
}

void SmfTrack::Control(std::uint32_t tick, int channel, int controller, int value) {
    Add(tick, {static_cast<std::uint8_t>(0xB0 | channel), static_cast<std::uint8_t>(controller),
               static_cast<std::uint8_t>(value)});
}

void SmfTrack::Program(std::uint32_t tick, int channel, int program) {
    Add(tick, {static_cast<std::uint8_t>(0xC0 | channel), static_cast<std::uint8_t>(program)});
}

Bytes SmfTrack::Chunk() const {
    std::vector<Event> sorted = events_;
    // Note-offs before note-ons at one tick, so a repeated key is not cut.
    auto is_off = [](const Event& e) {
        return (e.bytes[0] & 0xF0) == 0x90 && e.bytes.size() == 3 && e.bytes[2] == 0;
    };
    std::stable_sort(sorted.begin(), sorted.end(), [&](const Event& a, const Event& b) {
        if (a.tick != b.tick)
            return a.tick < b.tick;
        return is_off(a) && !is_off(b);
    });
    Bytes body;
    std::uint32_t now = 0;
    for (const Event& e : sorted) {
        PutVarLen(body, e.tick - now);
        now = e.tick;
        if (e.bytes[0] == 0xF0) {
            body.push_back(0xF0);
            PutVarLen(body, static_cast<std::uint32_t>(e.bytes.size() - 1));
            body.insert(body.end(), e.bytes.begin() + 1, e.bytes.end());
        } else {
            body.insert(body.end(), e.bytes.begin(), e.bytes.end());
        }
    }
    body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
    Bytes chunk{'M', 'T', 'r', 'k'};
    PutBig32(chunk, static_cast<std::uint32_t>(body.size()));
    chunk.insert(chunk.end(), body.begin(), body.end());
    return chunk;
}

Bytes SmfFile(int format, int division, const std::vector<SmfTrack>& tracks) {
    Bytes out{'M', 'T', 'h', 'd', 0, 0, 0, 6};
    out.push_back(0);
    out.push_back(static_cast<std::uint8_t>(format));
    out.push_back(static_cast<std::uint8_t>(tracks.size() >> 8));
    out.push_back(static_cast<std::uint8_t>(tracks.size()));
    out.push_back(static_cast<std::uint8_t>(division >> 8));
    out.push_back(static_cast<std::uint8_t>(division));
    for (const SmfTrack& track : tracks) {
        Bytes chunk = track.Chunk();
        out.insert(out.end(), chunk.begin(), chunk.end());
    }
    return out;
}

Bytes MacBinary(const std::string& name, const Bytes& data) {
    Bytes header(128, 0);
    header[1] = static_cast<std::uint8_t>(std::min<std::size_t>(name.size(), 63));
    PutText(header, 2, name, header[1], 0);
    PutText(header, 65, "Midi", 4, 0);
    PutText(header, 69, "NIVR", 4, 0);
    auto length = static_cast<std::uint32_t>(data.size());
    for (int i = 0; i < 4; ++i)
        header[83 + i] = (length >> (24 - 8 * i)) & 0xFF;
    header[122] = 129;  // written by MacBinary II
    header[123] = 129;  // readable by MacBinary II
    std::uint16_t crc = MacBinaryCrc(header);
    header[124] = crc >> 8;
    header[125] = crc & 0xFF;
    Bytes out = header;
    out.insert(out.end(), data.begin(), data.end());
    out.resize((out.size() + 127) / 128 * 128, 0);
    return out;
}

Bytes RcpFile(const std::string& title, int timebase, int tempo_bpm,
              const std::vector<RcpTrack>& tracks) {
    const std::size_t header_size = 0x586;
    Bytes out(header_size, 0);
    PutText(out, 0x000, "RCM-PC98V2.0(C)COME ON MUSIC\r\n", 30, 0);
    PutText(out, 0x020, title, 64, ' ');
    PutText(out, 0x060, "", 336, ' ');
    std::fill(out.begin() + 0x1B0, out.begin() + 0x1C0, 0x40);
    out[0x1C0] = timebase & 0xFF;
    out[0x1C1] = static_cast<std::uint8_t>(tempo_bpm);
    out[0x1C2] = 4;
    out[0x1C3] = 4;
    out[0x1E6] = 18;
    out[0x1E7] = (timebase >> 8) & 0xFF;
    for (int entry = 0; entry < 8; ++entry) {
        std::size_t at = 0x406 + 48 * entry;
        PutText(out, at, "", 24, ' ');
        std::fill(out.begin() + at + 24, out.begin() + at + 48, 0xF7);
    }
    for (std::size_t index = 0; index < 18; ++index) {
        Bytes block(44, 0);
        const RcpTrack* track = index < tracks.size() ? &tracks[index] : nullptr;
        std::vector<RcpEvent> events = track ? track->events : std::vector<RcpEvent>{};
        events.push_back({0xFE, 0, 0, 0});
        std::size_t size = 44 + 4 * events.size();
        if (size > 0xFFFC)
            throw std::runtime_error("RCP track too long");
        block[0] = size & 0xFF;
        block[1] = (size >> 8) & 0xFF;
        block[2] = static_cast<std::uint8_t>(index + 1);
        block[4] = track ? static_cast<std::uint8_t>(track->channel) : 0xFF;
        PutText(block, 8, track ? track->name : "", 36, ' ');
        for (const RcpEvent& e : events)
            block.insert(block.end(), {e.cmd, e.step, e.p1, e.p2});
        out.insert(out.end(), block.begin(), block.end());
    }
    return out;
}

void WriteFile(const std::string& path, const Bytes& data) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        throw std::runtime_error("cannot write " + path);
    bool ok = std::fwrite(data.data(), 1, data.size(), file) == data.size();
    ok = std::fclose(file) == 0 && ok;
    if (!ok)
        throw std::runtime_error("cannot write " + path);
}

}  // namespace demo
