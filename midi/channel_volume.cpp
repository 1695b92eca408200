#include "midi/channel_volume.h"

#include <algorithm>
#include <iterator>

void CChannelVolume::Reset() {
    std::fill(std::begin(song), std::end(song), DEFAULT_VOLUME);
    std::fill(std::begin(sent), std::end(sent), DEFAULT_VOLUME);
}

std::uint8_t CChannelVolume::Apply(int channel, std::uint8_t song_value) {
    if (channel < 0 || channel >= CHANNEL_COUNT)
        return song_value;
    song[channel] = song_value;
    sent[channel] = Scaled(channel);
    return sent[channel];
}

std::uint8_t CChannelVolume::Scaled(int channel) const {
    const std::uint64_t factor = std::uint64_t{deviceFactor} * fadeFactor / UNITY;
    const std::uint64_t value = (std::uint64_t{song[channel]} * factor + UNITY / 2) / UNITY;
    return static_cast<std::uint8_t>(std::min<std::uint64_t>(value, 127));
}
