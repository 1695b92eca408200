// CSequencer's loop settings and the loop progress it reports.

#include "midi/sequencer.h"

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

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
    return progress;
}
