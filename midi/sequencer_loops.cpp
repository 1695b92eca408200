// CSequencer's loops: the loop a song's marks make, the jump back at its end,
// the passes, the fade after the last one, and the length and places of the
// played timeline they make.

#include <algorithm>
#include <climits>

#include "midi/relaxed_order.h"
#include "midi/sequencer.h"
#include "midi/sequencer_time.h"

using namespace sequencer_time;

namespace {

// A loop body shorter than this is taken for a stray mark.
constexpr std::uint64_t kShortestLoopUs = 50'000;
// The fade's channel volumes go out at least this often.
constexpr std::uint64_t kFadeStepUs = 20'000;

}  // namespace

void CSequencer::SetLoopSettings(const LoopSettings& settings) {
    const LoopSettings clamped = settings.Clamped();
    loopCount.store(clamped.count, kRelaxed);
    loopFadeSeconds.store(clamped.fade_seconds, kRelaxed);
    loopMode.store(clamped.mode, kRelaxed);
}

LoopSettings CSequencer::GetLoopSettings() const {
    LoopSettings settings;
    settings.mode = loopMode.load(kRelaxed);
    settings.count = loopCount.load(kRelaxed);
    settings.fade_seconds = loopFadeSeconds.load(kRelaxed);
    return settings;
}

LoopProgress CSequencer::GetLoopProgress() const {
    LoopProgress progress;
    const LoopMode mode = loopMode.load(kRelaxed);
    progress.active = hasLoop.load(kRelaxed) && mode != LoopMode::kOff;
    if (!progress.active)
        return progress;
    progress.pass = loopPass.load(kRelaxed);
    progress.passes = mode == LoopMode::kForever ? 0 : loopCount.load(kRelaxed);
    // The fade plays the loop on past the last pass: a pass beyond
    // `passes` is the fade's.
    return progress;
}

std::int64_t CSequencer::GetSongLengthMs() const {
    const std::int64_t straight = songLengthMs.load(kRelaxed);
    if (!hasLoop.load(kRelaxed))
        return straight;
    const std::uint64_t start = loopStartUs.load(kRelaxed);
    const std::uint64_t end = loopEndUs.load(kRelaxed);
    switch (loopMode.load(kRelaxed)) {
        case LoopMode::kOff:
            return straight;
        case LoopMode::kForever:
            return SignedMs(CeilMs(end));
        case LoopMode::kCount:
            break;
    }
    return SignedMs(
        CeilMs(start + (end - start) * static_cast<std::uint64_t>(loopCount.load(kRelaxed)) +
               static_cast<std::uint64_t>(loopFadeSeconds.load(kRelaxed)) * kMicrosPerSecond));
}

DWORD CSequencer::GetSongTimeMs() const {
    return IsLoaded() ? static_cast<DWORD>(songUs.load(kRelaxed) / kMicrosPerMs) : 0;
}

void CSequencer::FindLoop(const CLoopMarks& marks) {
    loopCheckpoints.Clear();
    const std::optional<LoopPoints> points = marks.Find();
    if (!points)
        return;
    // The song ends with its last End of Track; the measure left every
    // track there.
    std::uint64_t song_end = 0;
    for (int i = 0; i < GetTrackCount(); ++i)
        song_end = std::max<std::uint64_t>(song_end, tracks[i].GetTime());
    const std::uint64_t start = points->start;
    const std::uint64_t end = std::min<std::uint64_t>(points->end.value_or(song_end), song_end);
    if (start >= end)
        return;
    // The song run silently to the loop's start and to its end, for the
    // state the jump back restores and the song times of both.
    RewindSong();
    chaseState.Clear();
    lastDueUs = 0;
    chase = &chaseState;
    RunSilently(kNever, nullptr, start);
    const std::uint64_t start_us = DueUs(start);
    std::unique_ptr<ReplayState> at_start = CaptureState(lastDueUs);
    RunSilently(kNever, nullptr, end);
    const std::uint64_t end_us = DueUs(end);
    if (end_us == kNever || end_us < start_us + kShortestLoopUs) {
        chase = nullptr;
        chaseState.Clear();
        return;
    }
    loopEndChase = chaseState;
    loopStartState = std::move(at_start);
    // A later pass run once, for its checkpoints.
    RestoreState(*loopStartState);
    chaseState = loopEndChase;
    loopCheckpoints.Clear(start_us);
    RunSilently(kNever, &loopCheckpoints, end);
    chase = nullptr;
    chaseState.Clear();
    loopStartTick = start;
    loopEndTick = end;
    loopStartUs.store(start_us, kRelaxed);
    loopEndUs.store(end_us, kRelaxed);
    hasLoop.store(true, kRelaxed);
}

bool CSequencer::DispatchPeriod(std::uint64_t& at_us, std::uint64_t step_us) {
    const LoopMode mode = hasLoop.load(kRelaxed) ? loopMode.load(kRelaxed) : LoopMode::kOff;
    if (fading && mode != LoopMode::kCount)
        StopFade();
    if (mode == LoopMode::kOff)
        return DispatchDue(at_us, step_us);
    if (fading && StepFade(step_us)) {
        // The volumes stay down until the song starts again.
        fading = false;
        EndHere();
        return true;
    }
    const std::uint64_t now = PositionAt(at_us);
    if (loopPass.load(kRelaxed) == 0 && now >= loopStartTick)
        loopPass.store(1, kRelaxed);
    if (now < loopEndTick)
        return DispatchDue(at_us, step_us);
    const LoopTurn turn = TurnAtLoopEnd(mode);
    if (turn == LoopTurn::kPlayOn)
        return DispatchDue(at_us, step_us);
    // What lies before the loop's end goes out; what lies at it is the
    // next pass's (or nobody's).
    const bool some_active = DispatchDue(at_us, step_us, loopEndTick);
    if (turn == LoopTurn::kEnd) {
        EndHere();
        return some_active;
    }
    // The jump's messages go out when the loop's end fell due.
    platform::SetMidiSendLateness(LatenessNs(loopEndTick, at_us, step_us));
    JumpBack();
    // The same period goes on one loop length earlier in the song, so the
    // loop's start is due exactly one loop length after it last was.
    at_us -= loopEndUs.load(kRelaxed) - loopStartUs.load(kRelaxed);
    DispatchDue(at_us, step_us);
    return some_active;
}

CSequencer::LoopTurn CSequencer::TurnAtLoopEnd(LoopMode mode) {
    if (mode == LoopMode::kForever || fading)
        return LoopTurn::kJumpBack;
    const int pass = loopPass.load(kRelaxed);
    const int count = loopCount.load(kRelaxed);
    if (pass < count)
        return LoopTurn::kJumpBack;
    // A song already past its last pass (fewer asked for meanwhile) plays on.
    if (pass > count)
        return LoopTurn::kPlayOn;
    if (FadeLengthUs() == 0)
        return LoopTurn::kEnd;
    fading = true;
    fadedUs = 0;
    nextFadeStepUs = 0;
    return LoopTurn::kJumpBack;
}

void CSequencer::JumpBack() {
    // Notes still sounding end here; everything else the song has set stays.
    for (int channel = 0; channel < CNoteMap::CHANNEL_COUNT; ++channel)
        ReleaseChannelNotes(channel);
    const ReplayState& start = *loopStartState;
    const int count = std::min(GetTrackCount(), static_cast<int>(start.cursors.size()));
    for (int i = 0; i < count; ++i)
        tracks[i].SetCursor(start.cursors[static_cast<std::size_t>(i)]);
    baseTicks.store(start.base_ticks, kRelaxed);
    segmentStart.store(start.segment_start, kRelaxed);
    tempo.store(start.tempo, kRelaxed);
    const int pass = loopPass.load(kRelaxed);
    loopPass.store(pass < INT_MAX ? pass + 1 : pass, kRelaxed);
    // A jump the listener hears (not one of a silent run) is announced to
    // the desktop's media controls as any jump is.
    if (chase == nullptr)
        jumpCount.fetch_add(1, std::memory_order_release);
}

std::uint64_t CSequencer::FadeLengthUs() const {
    return static_cast<std::uint64_t>(loopFadeSeconds.load(kRelaxed)) * kMicrosPerSecond;
}

std::uint32_t CSequencer::FadeFactor() const {
    const std::uint64_t length = FadeLengthUs();
    if (fadedUs >= length)
        return 0;
    return static_cast<std::uint32_t>(std::uint64_t{CChannelVolume::UNITY} * (length - fadedUs) /
                                      length);
}

bool CSequencer::StepFade(std::uint64_t step_us) {
    fadedUs += step_us;
    const bool over = fadedUs >= FadeLengthUs();
    if (fadedUs >= nextFadeStepUs || over) {
        channelVolume.SetFadeFactor(FadeFactor());
        ResendChannelVolumes();
        nextFadeStepUs = (fadedUs / kFadeStepUs + 1) * kFadeStepUs;
    }
    return over;
}

void CSequencer::StopFade() {
    fading = false;
    channelVolume.SetFadeFactor(CChannelVolume::UNITY);
    ResendChannelVolumes();
}

void CSequencer::EndHere() {
    for (int channel = 0; channel < CNoteMap::CHANNEL_COUNT; ++channel)
        ReleaseChannelNotes(channel);
    for (int i = 0; i < GetTrackCount(); ++i)
        tracks[i].SetActive(false);
}

CSequencer::PlayPlace CSequencer::PlaceOf(std::uint64_t played_us) const {
    PlayPlace place;
    place.song_us = played_us;
    place.played_us = played_us;
    const LoopMode mode = hasLoop.load(kRelaxed) ? loopMode.load(kRelaxed) : LoopMode::kOff;
    if (mode == LoopMode::kOff)
        return place;
    const std::uint64_t start = loopStartUs.load(kRelaxed);
    const std::uint64_t end = loopEndUs.load(kRelaxed);
    if (played_us >= start)
        place.pass = 1;
    if (played_us < end)
        return place;
    const std::uint64_t length = end - start;
    const std::uint64_t into = played_us - start;
    place.pass = static_cast<int>(std::min<std::uint64_t>(into / length + 1, INT_MAX));
    place.song_us = start + into % length;
    if (mode == LoopMode::kCount) {
        const std::uint64_t fade_from =
            start + length * static_cast<std::uint64_t>(loopCount.load(kRelaxed));
        if (played_us >= fade_from) {
            place.fading = true;
            place.faded_us = played_us - fade_from;
        }
    }
    return place;
}
