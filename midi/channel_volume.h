// The channel volume (controller 7) the player sends: the song's own value
// scaled by the player's factors, which are the device volume on a device
// without a volume of its own and the fade at the end of a looping song.
// At a factor of one every value goes out as the song has it. Used by the
// timer thread only (or while the timer is stopped).
#pragma once

#include <cstdint>

class CChannelVolume {
public:
    static constexpr int CHANNEL_COUNT = 16;
    // A factor of one: factors are fixed point with 16 fraction bits.
    static constexpr std::uint32_t UNITY = 1u << 16;
    // The channel volume a device has after a reset.
    static constexpr std::uint8_t DEFAULT_VOLUME = 100;

    CChannelVolume() { Reset(); }

    // Every channel back to the default volume, as after a reset of the
    // device; the factors stay.
    void Reset();
    // The song sets `channel`'s volume to `song_value`: the value to send.
    std::uint8_t Apply(int channel, std::uint8_t song_value);
    // The factors (UNITY: no change).
    void SetDeviceFactor(std::uint32_t factor) { deviceFactor = factor; }
    void SetFadeFactor(std::uint32_t factor) { fadeFactor = factor; }
    std::uint32_t GetDeviceFactor() const { return deviceFactor; }
    std::uint32_t GetFadeFactor() const { return fadeFactor; }
    // The value `channel` sounds at now, as the factors make it.
    std::uint8_t Scaled(int channel) const;

    // Calls send(channel, value) for each channel whose scaled value is not
    // the one last sent (after a factor changed), and notes it as sent.
    template <class Send>
    void Resend(Send send) {
        for (int channel = 0; channel < CHANNEL_COUNT; ++channel) {
            const std::uint8_t value = Scaled(channel);
            if (value == sent[channel])
                continue;
            sent[channel] = value;
            send(channel, value);
        }
    }

private:
    std::uint8_t song[CHANNEL_COUNT];
    std::uint8_t sent[CHANNEL_COUNT];
    std::uint32_t deviceFactor = UNITY;
    std::uint32_t fadeFactor = UNITY;
};
