// Walks a track's records in playing order: repeats loops, plays referenced measures in place
// of their same-measure records and stops at the track end. Every record it examines costs one
// unit of a budget shared by the whole song, so no file can make it run for ever.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "rcpcv/rcp_song.h"

namespace rcpcv {

class TrackWalker {
public:
    // Loops nested deeper than this are played once (their open and close are ignored).
    static constexpr size_t kMaxLoopDepth = 16;
    // Longest chain of same-measure records referring to each other that is followed.
    static constexpr int kMaxSameMeasureHops = 16;
    // Passes of a loop whose count is 0 ("endless").
    static constexpr int kEndlessLoopPasses = 2;

    TrackWalker(const RcpTrack& track, RcpLayout layout, size_t& budget);

    // The next record that makes output or time (notes, commands, comments and their
    // continuation records), or null at the end of the track or when the budget ran out.
    const RcpRecord* Next();
    // Index in the track's records of the record Next returned last.
    size_t LastIndex() const { return last_index_; }
    // True when the walk stopped because the budget ran out.
    bool BudgetExhausted() const { return budget_exhausted_; }

    // From now on the walk ends where the track's outermost endless loop closes for the first
    // time, having played its body once, instead of repeating the body.
    void StopAtEndlessLoop() { stop_at_endless_loop_ = true; }
    // True when the last Next passed the opening of an outermost loop (before the record it
    // returned, or before the end).
    bool OuterLoopOpened() const { return outer_loop_opened_; }
    // True when the walk ended at an outermost endless loop (see StopAtEndlessLoop).
    bool EndedAtEndlessLoop() const { return ended_at_endless_loop_; }

private:
    struct LoopFrame {
        size_t body_start;
        bool in_same_measure;
        size_t return_index;
        int passes_left;  // -1 until the loop's close is reached for the first time
    };

    std::optional<size_t> SameMeasureTarget(const RcpRecord& record) const;
    std::optional<size_t> ResolveSameMeasure(size_t index) const;
    void EnterSameMeasure(size_t target);
    void LeaveSameMeasure();
    void CloseLoop(const RcpRecord& record);

    const std::vector<RcpRecord>& records_;
    RcpLayout layout_;
    size_t& budget_;
    size_t index_ = 0;
    size_t last_index_ = 0;
    bool ended_ = false;
    bool budget_exhausted_ = false;
    bool in_same_measure_ = false;
    size_t return_index_ = 0;
    size_t loop_depth_at_entry_ = 0;
    size_t ignored_opens_at_entry_ = 0;
    std::vector<LoopFrame> loops_;
    size_t ignored_opens_ = 0;
    bool stop_at_endless_loop_ = false;
    bool outer_loop_opened_ = false;
    bool ended_at_endless_loop_ = false;
};

}  // namespace rcpcv
