// A small Standard MIDI File reader for checking the converter's output event by event.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rcpcv_test {

struct SmfEvent {
    uint32_t tick = 0;
    std::vector<uint8_t> bytes;  // status and data; meta: FF type data; SysEx: F0 data
};

struct SmfFile {
    uint16_t format = 0;
    uint16_t division = 0;
    std::vector<std::vector<SmfEvent>> tracks;
    std::string error;  // empty when the file was well formed
};

// Reads `size` bytes; sets `error` on anything malformed (no running status is expected).
inline SmfFile ReadSmf(const uint8_t* data, size_t size) {
    SmfFile smf;
    size_t pos = 0;
    auto need = [&](size_t n) { return pos + n <= size; };
    auto be = [&](size_t n) {
        uint32_t value = 0;
        for (size_t i = 0; i < n; ++i) {
            value = (value << 8) | data[pos++];
        }
        return value;
    };
    if (!need(14) || std::string(reinterpret_cast<const char*>(data), 4) != "MThd") {
        smf.error = "no header chunk";
        return smf;
    }
    pos = 4;
    if (be(4) != 6) {
        smf.error = "header length";
        return smf;
    }
    smf.format = static_cast<uint16_t>(be(2));
    uint32_t tracks = be(2);
    smf.division = static_cast<uint16_t>(be(2));
    for (uint32_t t = 0; t < tracks; ++t) {
        if (!need(8) || std::string(reinterpret_cast<const char*>(data + pos), 4) != "MTrk") {
            smf.error = "missing track chunk " + std::to_string(t);
            return smf;
        }
        pos += 4;
        size_t end = pos + 4;
        end += be(4);
        if (end > size) {
            smf.error = "track past the end";
            return smf;
        }
        auto varlen = [&]() -> uint32_t {
            uint32_t value = 0;
            for (int i = 0; i < 4 && pos < end; ++i) {
                uint8_t byte = data[pos++];
                value = (value << 7) | (byte & 0x7F);
                if ((byte & 0x80) == 0) {
                    return value;
                }
            }
            smf.error = "bad variable-length quantity";
            return 0;
        };
        std::vector<SmfEvent> events;
        uint32_t tick = 0;
        bool ended = false;
        while (pos < end && smf.error.empty()) {
            tick += varlen();
            SmfEvent event;
            event.tick = tick;
            uint8_t status = data[pos];
            size_t length;
            if (status == 0xFF) {
                size_t start = pos;
                pos += 2;
                uint32_t n = varlen();
                length = (pos - start) + n;
                pos = start;
                ended = data[start + 1] == 0x2F;
            } else if (status == 0xF0) {
                size_t start = pos++;
                uint32_t n = varlen();
                length = (pos - start) + n;
                pos = start;
            } else if (status >= 0x80) {
                uint8_t kind = status & 0xF0;
                length = (kind == 0xC0 || kind == 0xD0) ? 2 : 3;
            } else {
                smf.error = "running status or data byte as status";
                break;
            }
            if (pos + length > end) {
                smf.error = "event past the chunk";
                break;
            }
            event.bytes.assign(data + pos, data + pos + length);
            pos += length;
            events.push_back(event);
            if (ended && pos != end) {
                smf.error = "data after end of track";
            }
        }
        if (!ended && smf.error.empty()) {
            smf.error = "no end of track";
        }
        pos = end;
        smf.tracks.push_back(std::move(events));
    }
    if (pos != size && smf.error.empty()) {
        smf.error = "bytes after the last track";
    }
    return smf;
}

// Channel messages of a track only (no meta, no SysEx).
inline std::vector<SmfEvent> ChannelEvents(const std::vector<SmfEvent>& events) {
    std::vector<SmfEvent> out;
    for (const auto& e : events) {
        if (e.bytes[0] < 0xF0) {
            out.push_back(e);
        }
    }
    return out;
}

}  // namespace rcpcv_test
