// Recognising song data by its first four bytes.
#pragma once

#include <cstddef>

enum MidiFormat {
    MIDIFORMAT_UNKNOWN = 0,  // neither signature, or no data
    MIDIFORMAT_RCP = 1,      // "RCM-"
    MIDIFORMAT_SMF = 2,      // "MThd"
};

// Looks at the first four bytes of `data`; fewer than four available bytes
// (`size`) never match.
MidiFormat DetectMidiFormat(const void* data, std::size_t size = 4);
