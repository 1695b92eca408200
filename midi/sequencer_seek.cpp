// CSequencer's song length and seek: a silent run of the song from its start
// that does what the timer periods would do, without sending, skipping the
// periods in which nothing is due.

#include <algorithm>

#include "midi/channel_monitor.h"
#include "midi/sequencer.h"

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;
constexpr std::uint64_t kNever = UINT64_MAX;
constexpr std::uint64_t kMicrosPerPeriod = 1000;

}  // namespace

std::uint64_t CSequencer::PeriodsUntil(std::uint64_t tick) const {
    if (tick <= GetPositionTicks())
        return 0;
    const Rate rate = CurrentRate();
    if (rate.num == 0 || rate.den == 0)
        return kNever;
    // The silent run keeps the factor at 100 %, so the position is base +
    // (folded + elapsed x 1000) x num / den, where folded is the time a tempo
    // change's period had already run past it: the first elapsed count at
    // which that reaches `tick` is ceil(((tick - base) x den - folded x num) /
    // (1000 x num)).
    const std::uint64_t ticks = tick - baseTicks.load(kRelaxed);
    const std::uint64_t per_period = kMicrosPerPeriod * rate.num;
    const std::uint64_t folded = foldedUs.load(kRelaxed) * rate.num;
    const std::uint64_t needed = ticks * rate.den;
    const std::uint64_t due =
        needed > folded ? (needed - folded + per_period - 1) / per_period : 0;
    const std::uint64_t elapsed = elapsedMs.load(kRelaxed);
    return due > elapsed ? due - elapsed : 0;
}

void CSequencer::Replay(std::uint64_t target_ms, std::uint64_t& period) {
    const int count = GetTrackCount();
    while (period < target_ms) {
        std::uint64_t next_tick = kNever;
        for (int i = 0; i < count; ++i)
            if (tracks[i].IsActive())
                next_tick = std::min<std::uint64_t>(next_tick, tracks[i].GetTime());
        const std::uint64_t wait = next_tick == kNever ? kNever : PeriodsUntil(next_tick);
        if (wait == kNever)
            return;  // every track ended, or the position never moves on
        if (wait >= target_ms - period) {
            elapsedMs.fetch_add(target_ms - period, kRelaxed);
            period = target_ms;
            return;
        }
        elapsedMs.fetch_add(wait, kRelaxed);
        period += wait;
        // The period itself, as OnTimer runs it.
        if (textLog != nullptr)
            textLog->SetTime(period);
        const std::uint64_t now = GetPositionTicks();
        for (int i = 0; i < count; ++i) {
            CMidiTrack& track = tracks[i];
            while (track.IsActive() && track.GetTime() <= now)
                DispatchEvent(track);
        }
        elapsedMs.fetch_add(1, kRelaxed);
        ++period;
    }
}

std::int64_t CSequencer::MeasureLength() {
    const auto rest = [this] {
        tempo.store(1'000'000, kRelaxed);
        RewindSong();
        activePercent.store(100, kRelaxed);
    };
    rest();
    chaseState.Clear();
    chase = &chaseState;
    std::uint64_t period = 0;
    bool faulted = false;
    try {
        Replay(kNever, period);
    } catch (EXCEPTION_MIDITRACK) {
        // Playback closes the song where its data run out: that is its end.
        faulted = true;
    }
    chase = nullptr;
    chaseState.Clear();
    rest();
    // Otherwise the run stopped after the period of the last event that went
    // out (the last End of Track, or the last one a song that never moves on sends).
    const std::uint64_t length = !faulted && period > 0 ? period - 1 : period;
    return static_cast<std::int64_t>(std::min<std::uint64_t>(length, INT64_MAX));
}

void CSequencer::SeekMs(std::int64_t target_ms) {
    // Only a song on its timer has a position to move; Play starts any other
    // from the beginning.
    if (!IsLoaded() || !IsRunning())
        return;
    // Keeps the callback away from the tracks while they are run to the target.
    CMidiTimer::Stop();
    {
        std::lock_guard<std::recursive_mutex> guard(songLock);
        if (!IsLoaded())
            return;  // closed itself meanwhile
        const auto target =
            static_cast<std::uint64_t>(std::clamp<std::int64_t>(target_ms, 0, GetSongLengthMs()));
        // The run starts as the current one did.
        tempo.store(runStartTempo, kRelaxed);
        RewindSong();
        activePercent.store(100, kRelaxed);
        chaseState.Clear();
        chase = &chaseState;
        std::uint64_t period = 0;
        try {
            Replay(target, period);
        } catch (EXCEPTION_MIDITRACK) {
            chase = nullptr;
            CloseAfterReadFault();
            return;
        }
        chase = nullptr;
        // Silenced as a start of the song is, right before the chase and the
        // next period, so the time of the run is not heard as a gap after it.
        RestartDevice();
        GetChannelMonitor().ResetChannels();
        chaseState.Emit([this](std::uint8_t status, std::uint8_t data1,
                               std::uint8_t data2) { SendShortAndRecord(status, data1, data2); },
                        [this](const std::vector<std::uint8_t>& message) {
                            SendLongMessage(message.data(), message.size());
                        });
        // The periods of the run were at normal tempo; the factor goes on from here.
        foldedUs.store(elapsedMs.load(kRelaxed) * kMicrosPerPeriod, kRelaxed);
        elapsedMs.store(0, kRelaxed);
        activePercent.store(GetTempoPercent(), kRelaxed);
        playTimeUs.store(period * kMicrosPerPeriod, kRelaxed);
        playTimeMs.store(static_cast<std::uint32_t>(period), kRelaxed);
        // An ended song plays again from a target inside it.
        playing.store(1, kRelaxed);
    }
    Start(1, nullptr, 0);
}
