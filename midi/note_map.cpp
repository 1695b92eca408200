#include "midi/note_map.h"

#include <cstring>

namespace {

constexpr std::uint8_t kBankSelect = 0;
constexpr std::uint8_t kXgSfxKitBank = 126;
constexpr std::uint8_t kXgDrumKitBank = 127;
constexpr std::uint8_t kGm2RhythmBank = 120;

}  // namespace

bool CNoteMap::IsRhythmBank(std::uint8_t msb) const {
    const bool xg_kit = msb == kXgDrumKitBank || msb == kXgSfxKitBank;
    switch (mode) {
        case SynthMode::kXg:
            return xg_kit;
        case SynthMode::kGm2:
            return msb == kGm2RhythmBank;
        case SynthMode::kGs:
            return false;
        case SynthMode::kGm:
            break;
    }
    return xg_kit || msb == kGm2RhythmBank;
}

void CNoteMap::Reset() {
    std::memset(struck, kNotStruck, sizeof struck);
    ResetParts(SynthMode::kGm);
}

void CNoteMap::ResetParts(SynthMode reset_mode) {
    mode = reset_mode;
    drums = kGmDrums;
    kits = 0;
    std::memset(bankMsb, 0, sizeof bankMsb);
}

CNoteMap::Route CNoteMap::Map(std::uint8_t status, std::uint8_t key, std::uint8_t velocity,
                              int transpose, bool audible) {
    const int channel = status & 0x0F;
    const int kind = status & 0xF0;
    std::uint8_t& pitch = struck[channel][key & 0x7F];
    const int moved = IsDrumChannel(channel) ? key : key + transpose;
    const int in_range = moved >= 0 && moved <= 127 ? moved : NONE;
    Route route;
    if (kind == 0x90 && velocity != 0) {
        if (!audible || in_range == NONE) {
            // Its note-off is dropped as well, even once the channel is heard again.
            if (pitch == kNotStruck)
                pitch = kDropped;
            return route;
        }
        if (pitch < kDropped && pitch != in_range)
            route.release = pitch;
        pitch = static_cast<std::uint8_t>(in_range);
        route.key = in_range;
        return route;
    }
    // Note-off or key pressure: where the note was struck, else where it
    // would be; a channel not heard sends only what it struck.
    if (pitch == kDropped)
        route.key = NONE;
    else
        route.key = pitch != kNotStruck ? pitch : audible ? in_range : NONE;
    if (kind != 0xA0)
        pitch = kNotStruck;
    return route;
}

void CNoteMap::ApplySysEx(const std::uint8_t* message, std::size_t length) {
    int channel = 0;
    bool is_drums = false;
    if (const std::optional<SynthMode> reset = ReadSynthReset(message, length))
        ResetParts(*reset);
    else if (ReadDrumPartMode(message, length, channel, is_drums))
        drums =
            static_cast<std::uint16_t>(is_drums ? drums | 1 << channel : drums & ~(1 << channel));
}

void CNoteMap::ApplyChannelMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    const int channel = status & 0x0F;
    const int kind = status & 0xF0;
    if (kind == 0xB0 && data1 == kBankSelect) {
        bankMsb[channel] = data2;
    } else if (kind == 0xC0) {
        const auto bit = static_cast<std::uint16_t>(1 << channel);
        kits =
            static_cast<std::uint16_t>(IsRhythmBank(bankMsb[channel]) ? kits | bit : kits & ~bit);
    }
}
