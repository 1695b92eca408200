// The song the monitor runs play: held notes whose pictures are known, on
// channels with known pan, volume, program and modulation, plus a short note
// repeated every 200 ms on channel 16 so that there is always something being
// sent (and a device change can be seen to let the song go on).
#pragma once

#include <cstdint>
#include <vector>

#include "tests/midi/song_bytes.h"

namespace monitors_e2e {

inline constexpr int kDivision = 480;     // ticks per quarter note at the default 120 bpm
inline constexpr int kRepeatTicks = 96;   // 100 ms on, 100 ms off
inline constexpr int kRepeatCount = 150;  // 30 s of repeats, longer than any run

// One held note on a channel, with the controllers set before it.
struct HeldNote {
    int channel;     // 0 to 15
    int key;         // MIDI key
    int velocity;    // 1 to 127
    int pan;         // controller 10
    int modulation;  // controller 1
    int program;
    // What the track view shows for it (channels 1 to 10): the note's name
    // and the left edge of its lit key on screen; black keys are 3 pixels
    // wide and lit in index 38, white keys 5 wide in 36 and 37.
    const char* name;
    int lit_key_x;
    bool black_key;
};

// Middle C at full level with deep modulation; the lowest F# panned left;
// B of the ninth octave panned right. Only middle C lies in the spectrum's
// keys 36 to 107, so it alone lifts bars there.
inline const std::vector<HeldNote>& HeldNotes() {
    static const std::vector<HeldNote> notes = {
        {0, 60, 127, 64, 100, 5, "C4", 112, false},
        {1, 30, 100, 0, 0, 0, "F+1", 25, true},
        {2, 119, 64, 127, 0, 0, "B8", 282, false},
    };
    return notes;
}

// Channel 4 has modulation but no note: its wave stays flat.
inline constexpr int kModulatedSilentChannel = 3;
inline constexpr int kRepeatChannel = 15;
inline constexpr int kRepeatKey = 24;  // below the spectrum's keys

inline song_bytes::Bytes MonitorSong() {
    using song_bytes::Bytes;
    // 500,000 us per quarter note (120 bpm); without it a song plays at one
    // quarter note per second.
    Bytes held = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20};
    for (const HeldNote& note : HeldNotes()) {
        const auto byte = [](int value) { return static_cast<uint8_t>(value); };
        const Bytes events = song_bytes::Concat({
            {0x00, byte(0xC0 | note.channel), byte(note.program)},
            {0x00, byte(0xB0 | note.channel), 10, byte(note.pan)},
            {0x00, byte(0xB0 | note.channel), 1, byte(note.modulation)},
            {0x00, byte(0x90 | note.channel), byte(note.key), byte(note.velocity)},
        });
        held.insert(held.end(), events.begin(), events.end());
    }
    const Bytes silent_modulation = {0x00, static_cast<uint8_t>(0xB0 | kModulatedSilentChannel), 1,
                                     90};
    held.insert(held.end(), silent_modulation.begin(), silent_modulation.end());
    // The held notes end after 30 s: a delta of 28,800 ticks.
    const Bytes release = {0x81, 0xE1, 0x00, 0x80, 60, 0};
    held.insert(held.end(), release.begin(), release.end());

    Bytes repeats;
    const uint8_t on = 0x90 | kRepeatChannel;
    for (int i = 0; i < kRepeatCount; ++i) {
        const uint8_t gap = i == 0 ? 0x00 : static_cast<uint8_t>(kRepeatTicks);
        const Bytes pair = song_bytes::Concat({
            {gap, on, kRepeatKey, 80},
            {static_cast<uint8_t>(kRepeatTicks), on, kRepeatKey, 0},
        });
        repeats.insert(repeats.end(), pair.begin(), pair.end());
    }
    return song_bytes::Song(kDivision, {song_bytes::Concat({held, song_bytes::kEndOfTrack}),
                                        song_bytes::Concat({repeats, song_bytes::kEndOfTrack})});
}

}  // namespace monitors_e2e
