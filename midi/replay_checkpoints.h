// Snapshots of the silent run at load, a few seconds of song apart, so that
// a jump replays only the stretch of song after the nearest one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "midi/chase_state.h"
#include "midi/midi_track.h"
#include "midi/note_map.h"

// What a silent run has reached once every event due by `at_us` (song time
// at normal tempo) is dispatched: the tracks' places, the tempo segment the
// position is measured in, the chase and the drum channels.
struct ReplayState {
    std::uint64_t at_us = 0;
    std::uint64_t base_ticks = 0;
    std::uint64_t segment_start = 0;
    std::uint32_t tempo = 0;
    std::vector<CMidiTrack::Cursor> cursors;
    CChaseState chase;
    CNoteMap notes;
};

class CReplayCheckpoints {
public:
    static constexpr std::uint64_t FIRST_SPACING_US = 2'000'000;
    // A long song thins its checkpoints rather than grow without end.
    static constexpr std::size_t MAX_COUNT = 256;

    // None, the first wanted a spacing after `from_us`.
    void Clear(std::uint64_t from_us = 0);
    // Whether the run, about to dispatch what is due at `next_us`, should
    // leave a checkpoint first.
    bool Wants(std::uint64_t next_us) const { return next_us >= nextUs; }
    void Add(std::unique_ptr<ReplayState> state);
    // The latest checkpoint at or before `us`; null when none is.
    const ReplayState* AtOrBefore(std::uint64_t us) const;
    std::size_t Count() const { return states.size(); }

private:
    // Held apart, so that growing and thinning the list moves no chase.
    std::vector<std::unique_ptr<ReplayState>> states;
    std::uint64_t spacingUs = FIRST_SPACING_US;
    std::uint64_t nextUs = FIRST_SPACING_US;
};
