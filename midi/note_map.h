// The pitches the sequencer struck, per channel and song key, so that a note
// is released where it sounds whatever the transpose did meanwhile; and the
// channels that play drums, which are never transposed: channel 10, the drum
// parts GS and XG messages make, and channels that chose a rhythm kit by bank
// select. Used by the timer thread only (or while the timer is stopped).
#pragma once

#include <cstddef>
#include <cstdint>

#include "midi/synth_sysex.h"

class CNoteMap {
public:
    static constexpr int CHANNEL_COUNT = 16;
    static constexpr int NONE = -1;

    // Where one note message goes: `key` to send (NONE: dropped) and, before
    // it, a note at `release` to let go (a key struck again at another pitch).
    struct Route {
        int key = NONE;
        int release = NONE;
    };

    CNoteMap() { Reset(); }

    // Nothing struck; only channel 10 plays drums (as after a GM System On).
    void Reset();
    // A note-on, note-off or key pressure `status` for the song's `key`.
    Route Map(std::uint8_t status, std::uint8_t key, std::uint8_t velocity, int transpose,
              bool audible);
    // Follows the resets and drum-part messages the song sends.
    void ApplySysEx(const std::uint8_t* message, std::size_t length);
    // Follows the bank selections of the song's channel messages: a program
    // change after a rhythm bank makes the channel play a kit, one after any
    // other bank makes it melodic again. The rhythm banks are XG's 127 and
    // 126 (its SFX kits) after an XG reset, GM2's 120 after a GM2 reset, all
    // three before either; none in GS, whose bank 127 is a melodic tone map.
    void ApplyChannelMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    bool IsDrumChannel(int channel) const { return ((drums | kits) >> channel & 1) != 0; }

    // Calls release(pitch) for every note struck on `channel` and forgets them.
    template <class Release>
    void ReleaseChannel(int channel, Release release) {
        for (std::uint8_t& pitch : struck[channel]) {
            if (pitch >= kDropped)
                continue;
            release(pitch);
            pitch = kNotStruck;
        }
    }

private:
    static constexpr std::uint8_t kNotStruck = 0xFF;
    // A note-on that was not sent (outside 0-127 or not heard).
    static constexpr std::uint8_t kDropped = 0xFE;
    static constexpr std::uint16_t kGmDrums = 1 << 9;

    // Drum parts and banks as after a reset of the synthesizer into `reset_mode`.
    void ResetParts(SynthMode reset_mode);
    bool IsRhythmBank(std::uint8_t msb) const;

    std::uint8_t struck[CHANNEL_COUNT][128];
    // Drum parts as GM and the GS/XG part messages set them.
    std::uint16_t drums = kGmDrums;
    // Channels playing a kit their bank select chose, and the bank each
    // channel's next program change takes.
    std::uint16_t kits = 0;
    std::uint8_t bankMsb[CHANNEL_COUNT] = {};
    SynthMode mode = SynthMode::kGm;
};
