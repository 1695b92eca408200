// CSequencer's transport settings: tempo factor, transpose, mute and solo,
// and the channel output they shape.

#include <algorithm>

#include "midi/channel_monitor.h"
#include "midi/relaxed_order.h"
#include "midi/sequencer.h"

namespace {

constexpr std::uint32_t kAllChannels = 0xFFFF;
constexpr std::uint8_t kChannelVolume = 7;

bool IsChannel(int channel) {
    return channel >= 0 && channel < CNoteMap::CHANNEL_COUNT;
}

}  // namespace

void CSequencer::SetTempoPercent(int percent) {
    // The next period advances the song time by the new factor's share.
    tempoPercent.store(std::clamp(percent, MIN_TEMPO_PERCENT, MAX_TEMPO_PERCENT), kRelaxed);
    // The timer may be sleeping through periods the old tempo left quiet.
    platform::WakeSleepingTimers();
}

void CSequencer::SetTranspose(int semitones) {
    transpose.store(std::clamp(semitones, -MAX_TRANSPOSE, MAX_TRANSPOSE), kRelaxed);
}

void CSequencer::SetChannelMuted(int channel, bool muted) {
    if (!IsChannel(channel))
        return;
    const std::uint32_t bit = 1u << channel;
    if (muted)
        mutedMask.fetch_or(bit, kRelaxed);
    else
        mutedMask.fetch_and(~bit, kRelaxed);
}

bool CSequencer::IsChannelMuted(int channel) const {
    return IsChannel(channel) && (mutedMask.load(kRelaxed) >> channel & 1) != 0;
}

void CSequencer::SetSoloChannel(int channel) {
    soloChannel.store(IsChannel(channel) ? channel : NO_SOLO, kRelaxed);
}

std::uint32_t CSequencer::AudibleMask() const {
    const int solo = soloChannel.load(kRelaxed);
    const std::uint32_t heard = solo == NO_SOLO ? kAllChannels : 1u << solo;
    return heard & ~mutedMask.load(kRelaxed);
}

bool CSequencer::IsChannelAudible(int channel) const {
    return IsChannel(channel) && (AudibleMask() >> channel & 1) != 0;
}

void CSequencer::ReleaseSilencedChannels() {
    const std::uint32_t audible = AudibleMask();
    const std::uint32_t silenced = releasedAudible & ~audible;
    releasedAudible = audible;
    for (int channel = 0; silenced != 0 && channel < CNoteMap::CHANNEL_COUNT; ++channel) {
        if ((silenced >> channel & 1) == 0)
            continue;
        ReleaseChannelNotes(channel);
    }
}

void CSequencer::ReleaseChannelNotes(int channel) {
    const auto off = static_cast<std::uint8_t>(0x80 | channel);
    noteMap.ReleaseChannel(channel, [&](std::uint8_t pitch) { SendShortAndRecord(off, pitch, 0); });
}

void CSequencer::SendChannelMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    // Kits chosen before a jump's target still count after it.
    noteMap.ApplyChannelMessage(status, data1, data2);
    if (chase != nullptr) {
        chase->ApplyShort(status, data1, data2);
        return;
    }
    const int kind = status & 0xF0;
    if (kind == 0x80 || kind == 0x90 || kind == 0xA0) {
        const int channel = status & 0x0F;
        const CNoteMap::Route route =
            noteMap.Map(status, data1, data2, GetTranspose(), (AudibleMask() >> channel & 1) != 0);
        if (route.release != CNoteMap::NONE)
            SendShortAndRecord(static_cast<std::uint8_t>(0x80 | channel),
                               static_cast<std::uint8_t>(route.release), 0);
        if (route.key == CNoteMap::NONE)
            return;
        data1 = static_cast<std::uint8_t>(route.key);
    }
    SendShortAndRecord(status, data1, data2);
}

void CSequencer::SendShortAndRecord(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    const bool channel_volume = (status & 0xF0) == 0xB0 && data1 == kChannelVolume;
    midiOut.SendShort(status, data1,
                      channel_volume ? channelVolume.Apply(status & 0x0F, data2) : data2);
    GetChannelMonitor().Apply(status, data1, data2);
}

void CSequencer::ResendChannelVolumes() {
    channelVolume.Resend([this](int channel, std::uint8_t value) {
        midiOut.SendShort(static_cast<std::uint8_t>(0xB0 | channel), kChannelVolume, value);
    });
}
