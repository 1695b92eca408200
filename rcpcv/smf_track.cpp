#include "rcpcv/smf_track.h"

#include <algorithm>
#include <numeric>

namespace rcpcv {
namespace {

void AppendBigEndian(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8) {
        out.push_back(static_cast<uint8_t>(value >> shift));
    }
}

}  // namespace

void AppendVarLen(std::vector<uint8_t>& out, uint32_t value) {
    uint8_t groups[5];
    int count = 0;
    do {
        groups[count++] = value & 0x7F;
        value >>= 7;
    } while (value != 0);
    while (count > 1) {
        out.push_back(groups[--count] | 0x80);
    }
    out.push_back(groups[0]);
}

void SmfTrack::Add(uint32_t tick, std::span<const uint8_t> bytes) {
    events_.push_back(
        {tick, static_cast<uint32_t>(bytes_.size()), static_cast<uint32_t>(bytes.size())});
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    end_tick_ = std::max(end_tick_, tick);
    last_event_tick_ = std::max(last_event_tick_, tick);
}

void SmfTrack::AddChannelMessage(uint32_t tick, uint8_t status, uint8_t data1) {
    const uint8_t bytes[] = {status, data1};
    Add(tick, bytes);
}

void SmfTrack::AddChannelMessage(uint32_t tick, uint8_t status, uint8_t data1, uint8_t data2) {
    const uint8_t bytes[] = {status, data1, data2};
    Add(tick, bytes);
}

void SmfTrack::AddMeta(uint32_t tick, uint8_t type, std::span<const uint8_t> data) {
    std::vector<uint8_t> bytes{0xFF, type};
    AppendVarLen(bytes, static_cast<uint32_t>(data.size()));
    bytes.insert(bytes.end(), data.begin(), data.end());
    Add(tick, bytes);
}

void SmfTrack::AddExclusive(uint32_t tick, std::span<const uint8_t> message) {
    std::vector<uint8_t> bytes{0xF0};
    AppendVarLen(bytes, static_cast<uint32_t>(message.size()));
    bytes.insert(bytes.end(), message.begin(), message.end());
    Add(tick, bytes);
}

void SmfTrack::ExtendEndTo(uint32_t tick) {
    end_tick_ = std::max(end_tick_, tick);
}

void SmfTrack::WriteChunk(std::vector<uint8_t>& out) const {
    std::vector<uint32_t> order(events_.size());
    std::iota(order.begin(), order.end(), 0u);
    auto earlier = [this](uint32_t a, uint32_t b) { return events_[a].tick < events_[b].tick; };
    if (!std::is_sorted(order.begin(), order.end(), earlier)) {
        std::stable_sort(order.begin(), order.end(), earlier);
    }

    out.insert(out.end(), {'M', 'T', 'r', 'k', 0, 0, 0, 0});
    size_t length_at = out.size() - 4;
    size_t data_start = out.size();
    uint32_t previous_tick = 0;
    for (uint32_t index : order) {
        const Event& event = events_[index];
        AppendVarLen(out, event.tick - previous_tick);
        previous_tick = event.tick;
        out.insert(out.end(), bytes_.begin() + event.offset,
                   bytes_.begin() + event.offset + event.length);
    }
    AppendVarLen(out, end_tick_ - previous_tick);
    out.insert(out.end(), {0xFF, 0x2F, 0x00});

    uint32_t length = static_cast<uint32_t>(out.size() - data_start);
    for (int i = 0; i < 4; ++i) {
        out[length_at + i] = static_cast<uint8_t>(length >> (24 - 8 * i));
    }
}

std::vector<uint8_t> WriteSmf(uint16_t division, const std::vector<SmfTrack>& tracks) {
    std::vector<uint8_t> out{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1};
    AppendBigEndian(out, static_cast<uint32_t>(tracks.size()), 2);
    AppendBigEndian(out, division, 2);
    for (const SmfTrack& track : tracks) {
        track.WriteChunk(out);
    }
    return out;
}

}  // namespace rcpcv
