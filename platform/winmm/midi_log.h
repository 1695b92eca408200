// The NIVRA_MIDI_LOG tap: one line for everything handed to any MIDI-out
// device, stamped with microseconds since the program started.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdint>
#include <string>

namespace platform::winmm {

// "90 3C 64" for the bytes given.
std::string HexBytes(const std::uint8_t* bytes, std::size_t count);

class MidiLog {
public:
    // The log named by NIVRA_MIDI_LOG, or one that writes nothing.
    static MidiLog& Instance();
    void Write(const std::string& text);
    bool Enabled() const { return file_ != nullptr; }

private:
    MidiLog();
    std::FILE* file_ = nullptr;
};

}  // namespace platform::winmm
