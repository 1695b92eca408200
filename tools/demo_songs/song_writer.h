// Small writers for the demo songs: Standard MIDI File tracks, the
// MacBinary wrapper and RCP sequence files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace demo {

using Bytes = std::vector<std::uint8_t>;

// One SMF track: events at absolute ticks, written in tick order (events at
// the same tick keep the order they were added in).
class SmfTrack {
public:
    void Add(std::uint32_t tick, Bytes message);
    void Meta(std::uint32_t tick, std::uint8_t type, const std::string& text);
    void Tempo(std::uint32_t tick, double bpm);
    void Note(std::uint32_t tick, std::uint32_t length, int channel, int key, int velocity);
    void Control(std::uint32_t tick, int channel, int controller, int value);
    void Program(std::uint32_t tick, int channel, int program);
    // The chunk, "MTrk" and length included, with End of Track after the last event.
    Bytes Chunk() const;

private:
    struct Event {
        std::uint32_t tick;
        std::uint32_t order;
        Bytes bytes;
    };
    std::vector<Event> events_;
};

// A whole file: header chunk then the tracks' chunks.
Bytes SmfFile(int format, int division, const std::vector<SmfTrack>& tracks);

// Wraps `data` as the data fork of a MacBinary II file of type "Midi".
Bytes MacBinary(const std::string& name, const Bytes& data);

// One RCP note or command record: cmd, step, p1 (gate), p2 (velocity).
struct RcpEvent {
    std::uint8_t cmd, step, p1, p2;
};

struct RcpTrack {
    int channel;  // 0-15, or 0xFF for off
    std::string name;
    std::vector<RcpEvent> events;  // without the closing track end
};

// An 18-track RCP file (2.5 layout) with the given tracks first.
Bytes RcpFile(const std::string& title, int timebase, int tempo_bpm,
              const std::vector<RcpTrack>& tracks);

void WriteFile(const std::string& path, const Bytes& data);

}  // namespace demo
