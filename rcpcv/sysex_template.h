// Exclusive messages built from templates: literal bytes, the event's two values, the channel
// and the Roland checksum.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace rcpcv {

// Values a template may substitute.
struct TemplateValues {
    uint16_t p1 = 0;
    uint16_t p2 = 0;
    std::optional<uint8_t> channel;  // 0-15, or nothing on a track whose channel is off
};

// Builds the message from `pattern` (template bytes without the leading F0). The result holds
// the bytes after F0 up to and including the closing F7. Nothing comes back when the message
// would not be valid MIDI: a substituted value above 0x7F, the channel on an off track, or a
// template without any data byte.
std::optional<std::vector<uint8_t>> BuildExclusive(std::span<const uint8_t> pattern,
                                                   const TemplateValues& values);

// The Roland checksum over `bytes`: the value that brings their sum to a multiple of 128.
uint8_t RolandChecksum(std::span<const uint8_t> bytes);

}  // namespace rcpcv
