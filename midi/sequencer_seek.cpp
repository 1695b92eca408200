// CSequencer's song position, length and seek: the position as a function of
// song time, and silent runs of the song that dispatch what the timer's
// periods would, into the chase instead of the device, skipping the periods
// in which nothing is due.

#include <algorithm>

#include "midi/channel_monitor.h"
#include "midi/relaxed_order.h"
#include "midi/sequencer.h"
#include "midi/sequencer_time.h"

using namespace sequencer_time;

CSequencer::Rate CSequencer::CurrentRate() const {
    if (smpteTicksDen != 0)
        return {smpteTicksNum, smpteTicksDen};
    return {static_cast<std::uint64_t>(division), tempo.load(kRelaxed)};
}

std::uint64_t CSequencer::PositionAt(std::uint64_t us) const {
    const Rate rate = CurrentRate();
    const std::uint64_t base = baseTicks.load(kRelaxed);
    const Wide scaled = Wide{us} * rate.num;
    const std::uint64_t start = segmentStart.load(kRelaxed);
    if (rate.num == 0 || rate.den == 0 || scaled <= start)
        return base;
    return Saturated(base + (scaled - start) / rate.den);
}

std::uint64_t CSequencer::DueUs(std::uint64_t tick) const {
    const Rate rate = CurrentRate();
    const std::uint64_t base = baseTicks.load(kRelaxed);
    const std::uint64_t start = segmentStart.load(kRelaxed);
    if (rate.num == 0)
        return tick <= base ? 0 : kNever;
    // The first whole microsecond at which (us x num - start) / den reaches
    // tick - base.
    const Wide needed = Wide{start} + (tick > base ? Wide{tick - base} * rate.den : 0);
    return Saturated((needed + rate.num - 1) / rate.num);
}

std::uint64_t CSequencer::NextTick() const {
    std::uint64_t next_tick = kNever;
    const int count = GetTrackCount();
    for (int i = 0; i < count; ++i)
        if (tracks[i].IsActive())
            next_tick = std::min<std::uint64_t>(next_tick, tracks[i].GetTime());
    return next_tick;
}

std::uint64_t CSequencer::QuietPeriodsAhead() const {
    const std::uint64_t step_us =
        kMicrosPerPercentPeriod * static_cast<std::uint64_t>(tempoPercent.load(kRelaxed));
    // A fade changes the volume period by period.
    if (fading || step_us == 0)
        return 0;
    std::uint64_t tick = NextTick();
    if (hasLoop.load(kRelaxed) && loopMode.load(kRelaxed) != LoopMode::kOff) {
        tick = std::min(tick, loopEndTick);
        if (loopPass.load(kRelaxed) == 0)
            tick = std::min(tick, loopStartTick);
    }
    if (tick == kNever)
        return kMostQuietPeriods;
    // The next period runs at songUs; the first to reach the tick sends it.
    const std::uint64_t due_us = DueUs(tick);
    const std::uint64_t at_us = songUs.load(kRelaxed);
    if (due_us <= at_us)
        return 0;
    return std::min<std::uint64_t>((due_us - at_us + step_us - 1) / step_us, kMostQuietPeriods);
}

void CSequencer::RunSilently(std::uint64_t until_us, CReplayCheckpoints* keep,
                             std::uint64_t before_tick) {
    for (;;) {
        const std::uint64_t tick = NextTick();
        if (tick == kNever || tick >= before_tick)
            return;
        std::uint64_t next = DueUs(tick);
        if (next == kNever || next > until_us)
            return;
        // A checkpoint holds what is due by a time and nothing after it.
        if (keep != nullptr && next > lastDueUs && keep->Wants(next))
            keep->Add(CaptureState(lastDueUs));
        // A track whose change of tempo came after another's in one period
        // can be due before the last period run: it goes in the next one.
        next = std::max(next, lastDueUs);
        lastDueUs = next;
        if (textLog != nullptr)
            textLog->SetTime(CeilMs(next));
        DispatchDue(next, kMicrosPerPercentPeriod * 100);
    }
}

void CSequencer::MeasureSong() {
    RewindSong();
    checkpoints.Clear();
    chaseState.Clear();
    chase = &chaseState;
    lastDueUs = 0;
    CLoopMarks marks;
    loopMarks = &marks;
    bool faulted = false;
    try {
        RunSilently(kNever, &checkpoints);
    } catch (EXCEPTION_MIDITRACK) {
        // Playback closes the song where its data run out: that is its end.
        faulted = true;
    }
    loopMarks = nullptr;
    chase = nullptr;
    chaseState.Clear();
    // The millisecond of the last period that sent anything, as the timer
    // counts them at normal tempo.
    songLengthMs.store(SignedMs(CeilMs(lastDueUs)), kRelaxed);
    hasLoop.store(false, kRelaxed);
    // A song that breaks off never reaches a loop's end.
    if (!faulted)
        FindLoop(marks);
    RewindSong();
}

std::unique_ptr<ReplayState> CSequencer::CaptureState(std::uint64_t at_us) const {
    std::vector<CMidiTrack::Cursor> cursors;
    const int count = GetTrackCount();
    cursors.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        cursors.push_back(tracks[i].GetCursor());
    // Built in one go: the chase and the note map are copied once.
    return std::make_unique<ReplayState>(
        ReplayState{at_us, baseTicks.load(kRelaxed), segmentStart.load(kRelaxed),
                    tempo.load(kRelaxed), std::move(cursors), chaseState, noteMap});
}

void CSequencer::RestoreState(const ReplayState& state) {
    baseTicks.store(state.base_ticks, kRelaxed);
    segmentStart.store(state.segment_start, kRelaxed);
    tempo.store(state.tempo, kRelaxed);
    const int count = std::min(GetTrackCount(), static_cast<int>(state.cursors.size()));
    for (int i = 0; i < count; ++i)
        tracks[i].SetCursor(state.cursors[static_cast<std::size_t>(i)]);
    chaseState = state.chase;
    noteMap = state.notes;
    lastDueUs = state.at_us;
}

bool CSequencer::JumpTo(const PlayPlace& place) {
    RewindSong();
    chaseState.Clear();
    lastDueUs = 0;
    loopPass.store(place.pass, kRelaxed);
    fading = place.fading;
    fadedUs = place.faded_us;
    nextFadeStepUs = fadedUs;
    // The restart below sends the channel volumes as the fade has them.
    if (fading)
        channelVolume.SetFadeFactor(FadeFactor());
    // What the periods before the target would have sent, from the nearest
    // checkpoint on (in a later pass, from the loop's start with the state
    // the pass before left); the first period at the target sends the rest.
    const std::uint64_t step =
        kMicrosPerPercentPeriod * static_cast<std::uint64_t>(tempoPercent.load(kRelaxed));
    if (place.song_us >= step || place.pass > 1) {
        const std::uint64_t until = place.song_us >= step ? place.song_us - step : 0;
        if (place.pass > 1) {
            if (const ReplayState* state = loopCheckpoints.AtOrBefore(until)) {
                RestoreState(*state);
            } else {
                RestoreState(*loopStartState);
                chaseState = loopEndChase;
            }
        } else if (const ReplayState* state = checkpoints.AtOrBefore(until)) {
            RestoreState(*state);
        }
        chase = &chaseState;
        try {
            RunSilently(until, nullptr);
        } catch (EXCEPTION_MIDITRACK) {
            chase = nullptr;
            CloseAfterReadFault();
            return false;
        }
        chase = nullptr;
    }
    // Silenced as a start of the song is, right before the chase and the
    // next period, so the time of the run is not heard as a gap after it.
    RestartDevice();
    GetChannelMonitor().ResetChannels();
    chaseState.Emit([this](std::uint8_t status, std::uint8_t data1,
                           std::uint8_t data2) { SendShortAndRecord(status, data1, data2); },
                    [this](const std::vector<std::uint8_t>& message) {
                        SendLongMessage(message.data(), message.size());
                    });
    songUs.store(place.song_us, kRelaxed);
    playTimeUs.store(place.played_us, kRelaxed);
    playTimeMs.store(static_cast<std::uint32_t>(place.played_us / kMicrosPerMs), kRelaxed);
    return true;
}

CSequencer::PlayPlace CSequencer::CurrentPlace() const {
    PlayPlace place;
    place.song_us = songUs.load(kRelaxed);
    place.played_us = playTimeUs.load(kRelaxed);
    place.pass = loopPass.load(kRelaxed);
    place.fading = fading;
    place.faded_us = fadedUs;
    return place;
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
        // A loop that goes on forever has no end to stop at.
        const bool endless =
            hasLoop.load(kRelaxed) && loopMode.load(kRelaxed) == LoopMode::kForever;
        const std::int64_t last_ms = endless ? INT64_MAX / 2 / kMicrosPerMs : GetSongLengthMs();
        const auto target =
            static_cast<std::uint64_t>(std::clamp<std::int64_t>(target_ms, 0, last_ms));
        if (!JumpTo(PlaceOf(target * kMicrosPerMs)))
            return;
        // An ended song plays again from a target inside it.
        playing.store(1, kRelaxed);
    }
    Start(1, nullptr, 0);
    jumpCount.fetch_add(1, std::memory_order_release);
}
