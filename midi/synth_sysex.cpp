#include "midi/synth_sysex.h"

namespace {

constexpr std::uint8_t kUniversalNonRealTime = 0x7E;
constexpr std::uint8_t kRoland = 0x41;
constexpr std::uint8_t kYamaha = 0x43;
constexpr std::uint8_t kGsModel = 0x42;
constexpr std::uint8_t kXgModel = 0x4C;
constexpr std::uint8_t kDataSet = 0x12;

// A Roland data set to the GS model: F0 41 dev 42 12 a1 a2 a3 value ...
bool IsGsDataSet(const std::uint8_t* m, std::size_t length) {
    return length >= 10 && m[1] == kRoland && m[3] == kGsModel && m[4] == kDataSet;
}

// A Yamaha parameter change to the XG model: F0 43 1n 4C a1 a2 a3 value ...
bool IsXgParameter(const std::uint8_t* m, std::size_t length) {
    return length >= 9 && m[1] == kYamaha && (m[2] & 0xF0) == 0x10 && m[3] == kXgModel;
}

}  // namespace

std::optional<SynthMode> ReadSynthReset(const std::uint8_t* m, std::size_t length) {
    constexpr std::uint8_t kGm2SystemOn = 0x03;
    if (length >= 6 && m[1] == kUniversalNonRealTime && m[3] == 0x09 && m[4] >= 0x01 &&
        m[4] <= kGm2SystemOn)
        return m[4] == kGm2SystemOn ? SynthMode::kGm2 : SynthMode::kGm;
    if (IsGsDataSet(m, length) && m[5] == 0x40 && m[6] == 0x00 && m[7] == 0x7F)
        return SynthMode::kGs;
    if (IsXgParameter(m, length) && m[4] == 0x00 && m[5] == 0x00 && (m[6] == 0x7E || m[6] == 0x7F))
        return SynthMode::kXg;
    return std::nullopt;
}

bool ReadDrumPartMode(const std::uint8_t* m, std::size_t length, int& channel, bool& drums) {
    if (IsGsDataSet(m, length) && m[5] == 0x40 && (m[6] & 0xF0) == 0x10 && m[7] == 0x15) {
        // GS blocks: 0 is part 10, 1 to 9 are parts 1 to 9, A to F parts 11 to 16.
        const int block = m[6] & 0x0F;
        channel = block == 0 ? 9 : block <= 9 ? block - 1 : block;
        drums = m[8] != 0;
        return true;
    }
    if (IsXgParameter(m, length) && m[4] == 0x08 && m[5] < 16 && m[6] == 0x07) {
        channel = m[5];
        drums = m[7] != 0;
        return true;
    }
    return false;
}
