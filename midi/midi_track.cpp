#include "midi/midi_track.h"

#include <cstring>

void CMidiTrack::SetData(const std::uint8_t* source, std::uint32_t byte_count) {
    data = std::make_unique<std::uint8_t[]>(byte_count > 0 ? byte_count : 1);
    if (byte_count > 0)
        std::memcpy(data.get(), source, byte_count);
    length = byte_count;
    active = 1;
}

void CMidiTrack::Rewind() {
    if (!data)
        return;
    time = 0;
    runningStatus = 0;
    pos = 0;
    active = 1;
    AddTime(ReadVarLen());
}

std::uint8_t CMidiTrack::Peek() {
    if (!data || pos >= length) {
        active = 0;
        throw EXCEPTION_MIDITRACK_END_OF_DATA;
    }
    return data[pos];
}

std::uint8_t CMidiTrack::ReadByte() {
    const std::uint8_t byte = Peek();
    ++pos;
    return byte;
}

std::uint32_t CMidiTrack::ReadVarLen() {
    std::uint32_t value = 0;
    std::uint8_t byte;
    do {
        byte = ReadByte();
        value = (value << 7) + (byte & 0x7F);
    } while (byte & 0x80);
    return value;
}

void CMidiTrack::Skip(std::uint32_t count) {
    pos += count;
}
