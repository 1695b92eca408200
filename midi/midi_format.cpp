#include "midi/midi_format.h"

#include <cstring>

MidiFormat DetectMidiFormat(const void* data, std::size_t size) {
    if (data == nullptr || size < 4) return MIDIFORMAT_UNKNOWN;
    if (std::memcmp(data, "RCM-", 4) == 0) return MIDIFORMAT_RCP;
    if (std::memcmp(data, "MThd", 4) == 0) return MIDIFORMAT_SMF;
    return MIDIFORMAT_UNKNOWN;
}
