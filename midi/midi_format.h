// Recognising song data by its signature.
#pragma once

#include <cstddef>

enum MidiFormat {
    MIDIFORMAT_UNKNOWN = 0,  // no known signature, or no data
    MIDIFORMAT_RCP = 1,      // "RCM-", or the "COME ON MUSIC RECOMPOSER RCP3.0" of G18/G36 files
    MIDIFORMAT_SMF = 2,      // "MThd"
};

// Looks at the start of `data`; a signature longer than the `size` bytes
// available never matches.
MidiFormat DetectMidiFormat(const void* data, std::size_t size = 4);
