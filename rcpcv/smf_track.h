// One track of the Standard MIDI File being built: events gathered at absolute ticks in any
// order, written out as an "MTrk" chunk in time order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace rcpcv {

// The meta event types the converter writes.
inline constexpr uint8_t kMetaText = 0x01;
inline constexpr uint8_t kMetaTrackName = 0x03;
inline constexpr uint8_t kMetaPort = 0x21;
inline constexpr uint8_t kMetaTempo = 0x51;
inline constexpr uint8_t kMetaTimeSignature = 0x58;
inline constexpr uint8_t kMetaKeySignature = 0x59;

class SmfTrack {
public:
    void AddChannelMessage(uint32_t tick, uint8_t status, uint8_t data1);
    void AddChannelMessage(uint32_t tick, uint8_t status, uint8_t data1, uint8_t data2);
    void AddMeta(uint32_t tick, uint8_t type, std::span<const uint8_t> data);
    // `message` holds the bytes after F0, the closing F7 included.
    void AddExclusive(uint32_t tick, std::span<const uint8_t> message);
    // The End of Track event goes at this tick or after the last event, whichever is later.
    void ExtendEndTo(uint32_t tick);

    size_t EventCount() const { return events_.size(); }
    // Bytes the events take, without delta times: a measure of the output's size.
    size_t EventBytes() const { return bytes_.size(); }
    uint32_t EndTick() const { return end_tick_; }
    // The tick of the last event; 0 without events.
    uint32_t LastEventTick() const { return last_event_tick_; }
    // Puts the End of Track event at `tick`, or after the last event when that is later.
    void SetEndTick(uint32_t tick) {
        end_tick_ = tick > last_event_tick_ ? tick : last_event_tick_;
    }

    // Appends the "MTrk" chunk. Events of the same tick keep the order they were added in.
    void WriteChunk(std::vector<uint8_t>& out) const;

private:
    struct Event {
        uint32_t tick;
        uint32_t offset;  // into bytes_
        uint32_t length;
    };

    void Add(uint32_t tick, std::span<const uint8_t> bytes);

    std::vector<Event> events_;
    std::vector<uint8_t> bytes_;
    uint32_t end_tick_ = 0;
    uint32_t last_event_tick_ = 0;
};

// Appends `value` as a variable-length quantity (7 bits a byte, most significant first).
void AppendVarLen(std::vector<uint8_t>& out, uint32_t value);

// A complete format-1 file: the "MThd" chunk followed by one chunk per track.
std::vector<uint8_t> WriteSmf(uint16_t division, const std::vector<SmfTrack>& tracks);

}  // namespace rcpcv
