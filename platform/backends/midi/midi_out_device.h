// What every MIDI-out backend offers the midiOut* calls. A device is
// listed whether or not it can open; Open says whether it could.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform::winmm {

enum class MidiDeviceKind { kSoftwareSynth, kPort };

class MidiOutDevice {
public:
    virtual ~MidiOutDevice() = default;
    virtual std::string Name() const = 0;
    virtual MidiDeviceKind Kind() const = 0;
    virtual bool Open() = 0;
    virtual void Close() = 0;
    // All notes and sustain off on every channel.
    virtual void Reset() = 0;
    // One complete channel or system message of 1 to 3 bytes.
    virtual void SendShort(const std::uint8_t* bytes, std::size_t count) = 0;
    // A system-exclusive message from F0 on; the bytes are copied.
    virtual void SendLong(const std::uint8_t* bytes, std::size_t count) = 0;
    // Left volume in the low word, right in the high word (0xFFFF full).
    virtual void SetVolume(std::uint32_t volume) { (void)volume; }
    // Whether SetVolume changes what is heard; a port passes messages on
    // and has no volume of its own.
    virtual bool HasOwnVolume() const { return false; }
};

// Bytes a status byte's message has in all (status included), 0 for a
// status that does not start a short message.
std::size_t ShortMessageLength(std::uint8_t status);

// While `device` is set (not null), it is the only MIDI-out device: id 0 and
// the mapper open it, and no other device is listed or opened. An offline
// render puts its synth there; handles still open on it when it is taken
// away become invalid.
void UseOnlyDevice(MidiOutDevice* device);

}  // namespace platform::winmm
