#include "midi/sequencer.h"

#include <cstring>
#include <vector>

#include "midi/channel_monitor.h"

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;
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

CSequencer::Rate CSequencer::CurrentRate() const {
    if (smpteTicksDen != 0)
        return {smpteTicksNum, smpteTicksDen};
    return {static_cast<std::uint64_t>(division), tempo.load(kRelaxed)};
}

std::uint64_t CSequencer::GetPositionTicks() const {
    const Rate rate = CurrentRate();
    if (rate.den == 0)
        return baseTicks.load(kRelaxed);
    // Each period is worth 10 x percent microseconds at normal tempo, exactly.
    const std::uint64_t micros =
        foldedUs.load(kRelaxed) + elapsedMs.load(kRelaxed) * kMicrosPerPercentPeriod *
                                      static_cast<std::uint64_t>(activePercent.load(kRelaxed));
    return baseTicks.load(kRelaxed) + micros * rate.num / rate.den;
}

const CMidiTrack* CSequencer::GetTrack(int index) const {
    if (index < 0 || index >= GetTrackCount() || !tracks)
        return nullptr;
    return &tracks[index];
}

void CSequencer::OnTimer() {
    // Sequentially consistent with Pause's store and the busy signal, so a
    // callback that Pause's wait did not see cannot miss the pause either.
    if (paused.load(std::memory_order_seq_cst) != 0)
        return;
    ApplyTempoPercent();
    ReleaseSilencedChannels();
    const std::uint64_t now = GetPositionTicks();
    bool some_active = false;
    try {
        const int count = GetTrackCount();
        for (int i = 0; i < count; ++i) {
            CMidiTrack& track = tracks[i];
            if (track.IsActive())
                some_active = true;
            while (track.IsActive() && track.GetTime() <= now) {
                // The position has passed this event by up to a period: a
                // device that keeps exact time sounds it when it fell due.
                platform::SetMidiSendLateness(LatenessNs(track.GetTime()));
                DispatchEvent(track);
            }
        }
    } catch (EXCEPTION_MIDITRACK) {
        CloseAfterReadFault();
        return;
    }
    elapsedMs.fetch_add(1, kRelaxed);
    if (some_active) {
        const std::uint64_t step = kMicrosPerPercentPeriod * activePercent.load(kRelaxed);
        const std::uint64_t micros = playTimeUs.fetch_add(step, kRelaxed) + step;
        playTimeMs.store(static_cast<std::uint32_t>(micros / 1000), kRelaxed);
    }
    const bool was_playing = playing.exchange(some_active ? 1 : 0, kRelaxed) != 0;
    if (GetRepeat() && !some_active)
        ResetPosition();
    else if (was_playing && !some_active)
        endCount.fetch_add(1, std::memory_order_release);
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
        if (textLog != nullptr && CSongTextLog::Keeps(type))
            if (const std::uint8_t* bytes = track.Look(length))
                textLog->Add(static_cast<int>(&track - tracks.get()), type, bytes, length);
        track.Skip(length);
        return;
    }
    // The new tempo counts from the event's own tick: the time the position
    // has already run past it goes over to the new tempo, so no period's
    // rounding shifts the rest of the song.
    const std::uint64_t tempo_tick = track.GetTime();
    const std::uint64_t overshoot_us = SongNanosPastTick(tempo_tick) / 1000u;
    std::uint32_t value = 0;
    for (std::uint32_t i = 0; i < length; ++i)
        value = value * 256 + track.ReadByte();
    // A Set Tempo without data would make the tempo 0: the previous one stays.
    if (value == 0)
        return;
    // SMPTE time does not depend on the tempo: the position needs no fold.
    if (smpteTicksDen == 0) {
        baseTicks.store(tempo_tick, kRelaxed);
        elapsedMs.store(0, kRelaxed);
        foldedUs.store(overshoot_us, kRelaxed);
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
}

void CSequencer::SendStartMessage() {
    SendLongMessage(kStartMessage, sizeof kStartMessage);
}

void CSequencer::ResetPosition() {
    RewindSong();
    RestartDevice();
}

void CSequencer::RewindSong() {
    baseTicks.store(0, kRelaxed);
    elapsedMs.store(0, kRelaxed);
    playTimeMs.store(0, kRelaxed);
    foldedUs.store(0, kRelaxed);
    playTimeUs.store(0, kRelaxed);
    activePercent.store(tempoPercent.load(kRelaxed), kRelaxed);
    runStartTempo = tempo.load(kRelaxed);
    RewindTracks();
    noteMap.Reset();
    releasedAudible = AudibleMask();
}

void CSequencer::RestartDevice() {
    SetVolume(volume.load(kRelaxed));
    midiOut.Reset();
    SendStartMessage();
    // The start message set every channel's volume back to its default.
    channelVolume.Reset();
    ResendChannelVolumes();
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
    if (midiOut.IsOpen())
        midiOut.GetDeviceName(GetSelectedDevice(), out);
    else
        std::strcpy(out, "(DEVICE READY)");
}

DWORD CSequencer::GetDriverVersion() const {
    return midiOut.IsOpen() ? midiOut.GetDriverVersion(GetSelectedDevice()) : 0;
}

void CSequencer::SelectDevice(UINT id) {
    if (!midiOut.IsOpen()) {
        selectedDevice.store(id, kRelaxed);
        return;
    }
    const bool was_paused = IsPaused();
    if (!was_paused)
        Pause();
    {
        std::lock_guard<std::recursive_mutex> guard(songLock);
        // A song that closed itself meanwhile took its device with it; the
        // choice then waits for the next load like any choice without a song.
        const bool was_open = midiOut.Close();
        selectedDevice.store(id, kRelaxed);
        if (was_open)
            midiOut.Open(id);
    }
    if (!was_paused)
        Play();
}
