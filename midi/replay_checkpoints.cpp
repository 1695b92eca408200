#include "midi/replay_checkpoints.h"

#include <algorithm>

void CReplayCheckpoints::Clear(std::uint64_t from_us) {
    states.clear();
    spacingUs = FIRST_SPACING_US;
    nextUs = from_us + FIRST_SPACING_US;
}

void CReplayCheckpoints::Add(std::unique_ptr<ReplayState> state) {
    nextUs = state->at_us + spacingUs;
    states.push_back(std::move(state));
    if (states.size() < MAX_COUNT)
        return;
    // Every other one goes, and the spacing doubles for the rest of the song.
    std::size_t kept = 0;
    for (std::size_t i = 1; i < states.size(); i += 2)
        states[kept++] = std::move(states[i]);
    states.resize(kept);
    spacingUs *= 2;
    nextUs = states.back()->at_us + spacingUs;
}

const ReplayState* CReplayCheckpoints::AtOrBefore(std::uint64_t us) const {
    const auto after =
        std::upper_bound(states.begin(), states.end(), us,
                         [](std::uint64_t value, const std::unique_ptr<ReplayState>& state) {
                             return value < state->at_us;
                         });
    return after == states.begin() ? nullptr : (after - 1)->get();
}
