#include "midi/sequencer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "midi/channel_monitor.h"
#include "midi/relaxed_order.h"
#include "midi/synth_sysex.h"

namespace {

// Microseconds per quarter note until the song sets a tempo.
constexpr std::uint32_t kStartTempo = 1'000'000;
constexpr std::uint8_t kMarker = 0x06;
// General MIDI System On, sent at the start of every song.
constexpr std::uint8_t kStartMessage[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};

}  // namespace

CSequencer::CSequencer() = default;

CSequencer::~CSequencer() {
    // The timer must not call OnTimer on a half-destroyed sequencer.
    CMidiTimer::Stop();
    if (IsLoaded()) {
        Unload();
        loaded.store(0, kRelaxed);
    }
}

std::uint64_t CSequencer::GetPositionTicks() const {
    return PositionAt(songUs.load(kRelaxed));
}

const CMidiTrack* CSequencer::GetTrack(int index) const {
    if (index < 0 || index >= GetTrackCount() || !tracks)
        return nullptr;
    return &tracks[index];
}

void CSequencer::OnTimer() {
    // Sequentially consistent with Pause's store and the busy signal, so a
    // callback that Pause's wait did not see cannot miss the pause either.
    if (paused.load(std::memory_order_seq_cst) != 0) {
        platform::DeferQuietPeriods(kMostQuietPeriods);
        return;
    }
    ApplyDeviceFactor();
    ReleaseSilencedChannels();
    // The factor asked for last takes effect from this period on.
    const std::uint64_t step =
        kMicrosPerPercentPeriod * static_cast<std::uint64_t>(tempoPercent.load(kRelaxed));
    std::uint64_t at_us = songUs.load(kRelaxed);
    bool some_active = false;
    try {
        some_active = DispatchPeriod(at_us, step);
    } catch (EXCEPTION_MIDITRACK) {
        CloseAfterReadFault();
        return;
    }
    songUs.store(at_us + step, kRelaxed);
    if (some_active) {
        const std::uint64_t micros = playTimeUs.fetch_add(step, kRelaxed) + step;
        playTimeMs.store(static_cast<std::uint32_t>(micros / 1000), kRelaxed);
    }
    const bool was_playing = playing.exchange(some_active ? 1 : 0, kRelaxed) != 0;
    if (GetRepeat() && !some_active)
        ResetPosition();
    else if (was_playing && !some_active)
        endCount.fetch_add(1, std::memory_order_release);
    platform::DeferQuietPeriods(QuietPeriodsAhead());
}

bool CSequencer::DispatchDue(std::uint64_t at_us, std::uint64_t step_us, std::uint64_t end_tick) {
    const std::uint64_t now = std::min(PositionAt(at_us), end_tick - 1);
    bool some_active = false;
    const int count = GetTrackCount();
    for (int i = 0; i < count; ++i) {
        CMidiTrack& track = tracks[i];
        if (track.IsActive())
            some_active = true;
        while (track.IsActive() && track.GetTime() <= now) {
            // The period has passed this event by up to its length: a device
            // that keeps exact time sounds it when it fell due.
            if (chase == nullptr)
                platform::SetMidiSendLateness(LatenessNs(track.GetTime(), at_us, step_us));
            DispatchEvent(track);
        }
    }
    return some_active;
}

void CSequencer::DispatchEvent(CMidiTrack& track) {
    std::uint8_t status = track.Peek();
    if (status >= 0x80)
        track.ReadByte();
    else
        status = track.GetRunningStatus();

    switch (status & 0xF0) {
        case 0x80:
        case 0x90:
        case 0xA0:
        case 0xB0:
        case 0xE0: {
            const std::uint8_t data1 = track.ReadByte();
            const std::uint8_t data2 = track.ReadByte();
            if (loopMarks != nullptr && (status & 0xF0) == 0xB0 &&
                CLoopMarks::IsLoopController(data1))
                loopMarks->Controller(track.GetTime(), data1);
            SendChannelMessage(status, data1, data2);
            break;
        }
        case 0xC0:
        case 0xD0: {
            const std::uint8_t data1 = track.ReadByte();
            SendChannelMessage(status, data1, 0);
            break;
        }
        case 0xF0:
            if (status == 0xF0) {
                DispatchSysEx(track);
            } else if (status == 0xFF) {
                const std::uint8_t type = track.Peek();
                if (type == 0x2F) {
                    // End of Track: no delta follows, the running status stays.
                    track.ReadByte();
                    track.ReadVarLen();
                    track.SetActive(false);
                    return;
                }
                DispatchMeta(track);
            }
            // F1 to FE: no length and no data of their own.
            break;
        default:
            break;  // no status yet: the byte is taken as the next delta
    }
    track.SetRunningStatus(status);
    track.AddTime(track.ReadVarLen());
}

void CSequencer::DispatchMeta(CMidiTrack& track) {
    const std::uint8_t type = track.ReadByte();
    const std::uint32_t length = track.ReadVarLen();
    if (type != 0x51) {
        if (loopMarks != nullptr && type == kMarker)
            if (const std::uint8_t* bytes = track.Look(length))
                loopMarks->Marker(track.GetTime(),
                                  std::string_view(reinterpret_cast<const char*>(bytes), length));
        if (textLog != nullptr && CSongTextLog::Keeps(type))
            if (const std::uint8_t* bytes = track.Look(length))
                textLog->Add(static_cast<int>(&track - tracks.get()), type, bytes, length);
        track.Skip(length);
        return;
    }
    std::uint32_t value = 0;
    for (std::uint32_t i = 0; i < length; ++i)
        value = value * 256 + track.ReadByte();
    // A Set Tempo without data would make the tempo 0: the previous one stays.
    if (value == 0)
        return;
    // The new segment starts at the event's own tick (SMPTE time does not
    // depend on the tempo). A tick before the segment's start (two tracks'
    // changes in one period) starts it where the last one did.
    if (smpteTicksDen == 0) {
        const std::uint64_t base = baseTicks.load(kRelaxed);
        const std::uint64_t tick = std::max<std::uint64_t>(track.GetTime(), base);
        segmentStart.store(segmentStart.load(kRelaxed) + (tick - base) * tempo.load(kRelaxed),
                           kRelaxed);
        baseTicks.store(tick, kRelaxed);
    }
    tempo.store(value, kRelaxed);
}

void CSequencer::DispatchSysEx(CMidiTrack& track) {
    const std::uint32_t length = track.ReadVarLen();
    // A length beyond what the track still holds is a read past its end;
    // nothing of that size is allocated.
    if (length > track.Remaining()) {
        track.Skip(length);
        track.Peek();
    }
    std::vector<std::uint8_t> message(std::size_t{length} + 1);
    message[0] = 0xF0;
    for (std::uint32_t i = 0; i < length; ++i)
        message[i + 1] = track.ReadByte();
    noteMap.ApplySysEx(message.data(), message.size());
    if (chase != nullptr)
        chase->ApplyLong(message.data(), message.size());
    else
        SendLongMessage(message.data(), message.size());
}

void CSequencer::SendLongMessage(const std::uint8_t* bytes, std::size_t length) {
    MIDIHDR header{};
    // The device copies the bytes and never writes them.
    header.lpData = reinterpret_cast<LPSTR>(const_cast<std::uint8_t*>(bytes));
    header.dwBufferLength = static_cast<DWORD>(length);
    header.dwFlags = 0;
    midiOut.SendLong(&header);
    // A reset put every channel volume on the device back to its default;
    // where the player scales them, the scaled values go out again at once.
    if (IsSynthReset(bytes, length)) {
        channelVolume.Reset();
        ResendChannelVolumes();
    }
}

void CSequencer::SendStartMessage() {
    SendLongMessage(kStartMessage, sizeof kStartMessage);
}

void CSequencer::ResetPosition() {
    RewindSong();
    RestartDevice();
}

void CSequencer::RewindSong() {
    // Every pass of the song starts at the tempo it was measured with.
    tempo.store(kStartTempo, kRelaxed);
    baseTicks.store(0, kRelaxed);
    segmentStart.store(0, kRelaxed);
    songUs.store(0, kRelaxed);
    playTimeUs.store(0, kRelaxed);
    playTimeMs.store(0, kRelaxed);
    RewindTracks();
    noteMap.Reset();
    releasedAudible = AudibleMask();
    loopPass.store(0, kRelaxed);
    fading = false;
    fadedUs = 0;
    nextFadeStepUs = 0;
    channelVolume.SetFadeFactor(CChannelVolume::UNITY);
}

void CSequencer::RestartDevice() {
    SetVolume(volume.load(kRelaxed));
    // The start message that follows resends the channel volumes this scales.
    channelVolume.SetDeviceFactor(askedDeviceFactor.load(kRelaxed));
    midiOut.Reset();
    SendStartMessage();
}

void CSequencer::RewindTracks() {
    const int count = GetTrackCount();
    for (int i = 0; i < count; ++i) {
        try {
            tracks[i].Rewind();
        } catch (EXCEPTION_MIDITRACK) {
            // Too short for its first delta: the track is simply inactive.
        }
    }
}

void CSequencer::CloseAfterReadFault() {
    std::lock_guard<std::recursive_mutex> guard(songLock);
    // Where a damaged song's data run out, it has ended.
    if (playing.exchange(0, kRelaxed) != 0)
        endCount.fetch_add(1, std::memory_order_release);
    CMidiTimer::Stop();  // from inside the callback: does not wait for itself
    midiOut.Reset();     // as a stop does, before the close resets once more
    midiOut.Close();
    ReleaseTracks();
    loaded.store(0, kRelaxed);
}

void CSequencer::Play() {
    if (!IsPlaying()) {
        // Keeps the callback away from the tracks while they are rewound (in
        // the ended state the timer still runs).
        CMidiTimer::Stop();
        std::lock_guard<std::recursive_mutex> guard(songLock);
        if (!IsLoaded())
            return;
        ResetPosition();
        if (Start(1, nullptr, 0)) {
            playing.store(1, kRelaxed);
            paused.store(0, kRelaxed);
        }
    } else if (IsPaused()) {
        paused.store(0, kRelaxed);
        Start(1, nullptr, 0);
    }
}

void CSequencer::Pause() {
    paused.store(1, std::memory_order_seq_cst);
    WaitIdle();
    midiOut.Reset();
}

void CSequencer::Stop() {
    // Cleared once the timer is stopped: a callback still running would set
    // it again, and the next song's Play would then find it "playing".
    CMidiTimer::Stop();
    playing.store(0, kRelaxed);
    midiOut.Reset();
}

void CSequencer::Unload() {
    if (IsLoaded()) {
        Stop();
        std::lock_guard<std::recursive_mutex> guard(songLock);
        midiOut.Close();
    }
    ReleaseTracks();
}

void CSequencer::SetVolume(int level) {
    const auto v = static_cast<std::uint8_t>(level & 0xFF);
    volume.store(v, kRelaxed);
    HMIDIOUT handle = midiOut.GetHandle();
    if (handle != nullptr)
        midiOutSetVolume(handle, (DWORD{v} << 8) | (DWORD{v} << 24));
    // A device without a volume of its own hears it through the channel
    // volumes. A channel volume sounds as the square of its value (the
    // General MIDI curve), so they are scaled by the root of the volume:
    // each step then sounds as it does on the software synth.
    const double gain = v / 255.0;
    askedDeviceFactor.store(
        midiOut.HasOwnVolume()
            ? CChannelVolume::UNITY
            : static_cast<std::uint32_t>(std::lround(std::sqrt(gain) * CChannelVolume::UNITY)),
        kRelaxed);
}

void CSequencer::ApplyDeviceFactor() {
    const std::uint32_t asked = askedDeviceFactor.load(kRelaxed);
    if (asked == channelVolume.GetDeviceFactor())
        return;
    channelVolume.SetDeviceFactor(asked);
    ResendChannelVolumes();
}

int CSequencer::GetVolume() const {
    HMIDIOUT handle = midiOut.GetHandle();
    DWORD value = 0;
    if (handle != nullptr && midiOutGetVolume(handle, &value) == MMSYSERR_NOERROR)
        return (value >> 8) & 0xFF;
    return volume.load(kRelaxed);
}

int CSequencer::GetTempoIndex() const {
    // tempo / 4000 at 100 %: the factor shortens the quarter note.
    return static_cast<int>(std::uint64_t{tempo.load(kRelaxed)} * 100 /
                            (4000 * static_cast<std::uint64_t>(GetTempoPercent())));
}

void CSequencer::GetDeviceName(char* out) const {
    if (!midiOut.IsOpen())
        std::strcpy(out, "(DEVICE READY)");
    else if (midiOut.GetDeviceId() == MIDI_MAPPER)
        midiOut.GetDeviceName(MIDI_MAPPER, out);
    else
        midiOut.GetOpenDeviceName(out);
}

DWORD CSequencer::GetDriverVersion() const {
    if (!midiOut.IsOpen())
        return 0;
    return midiOut.GetDeviceId() == MIDI_MAPPER ? midiOut.GetDriverVersion(MIDI_MAPPER)
                                                : midiOut.GetOpenDriverVersion();
}

void CSequencer::SelectDevice(UINT id) {
    if (!midiOut.IsOpen()) {
        KeepSelection(id);
        return;
    }
    // A song that plays or is paused goes on sounding the same on the new
    // device: it is restarted with the state the song has at its place, as
    // a jump there does. Any other starts from the beginning.
    const bool goes_on = IsPlaying();
    CMidiTimer::Stop();
    {
        std::lock_guard<std::recursive_mutex> guard(songLock);
        // A song that closed itself meanwhile took its device with it; the
        // choice then waits for the next load like any choice without a song.
        const bool was_open = midiOut.Close();
        KeepSelection(id);
        if (!was_open)
            return;
        // The new device hears the player's volume through the restart.
        midiOut.Open(id);
        if (goes_on && !JumpTo(CurrentPlace()))
            return;
    }
    if (goes_on)
        Start(1, nullptr, 0);
    else
        Play();
}
