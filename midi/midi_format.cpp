#include "midi/midi_format.h"

#include <cstring>

namespace {

constexpr char kRcpSignature[] = "RCM-";
constexpr char kSmfSignature[] = "MThd";
// The newer RCP layout (G18/G36 files, sometimes named .rcp) opens with this
// text instead of "RCM-"; the converter reads both.
constexpr char kRcp3Signature[] = "COME ON MUSIC RECOMPOSER RCP3.0";

template <std::size_t N>
bool StartsWith(const void* data, std::size_t size, const char (&signature)[N]) {
    return size >= N - 1 && std::memcmp(data, signature, N - 1) == 0;
}

}  // namespace

MidiFormat DetectMidiFormat(const void* data, std::size_t size) {
    if (data == nullptr)
        return MIDIFORMAT_UNKNOWN;
    if (StartsWith(data, size, kRcpSignature) || StartsWith(data, size, kRcp3Signature))
        return MIDIFORMAT_RCP;
    if (StartsWith(data, size, kSmfSignature))
        return MIDIFORMAT_SMF;
    return MIDIFORMAT_UNKNOWN;
}
