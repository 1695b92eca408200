#include "rcpcv/track_walker.h"

namespace rcpcv {
namespace {

constexpr uint8_t kLoopClose = 0xF8;
constexpr uint8_t kLoopOpen = 0xF9;
constexpr uint8_t kSameMeasure = 0xFC;
constexpr uint8_t kMeasureEnd = 0xFD;
constexpr uint8_t kTrackEnd = 0xFE;
constexpr uint8_t kTrackEndAlternative = 0xFF;

// Offsets in the newer layout count records from this base.
constexpr uint16_t kExtendedIndexBase = 0x30;
constexpr size_t kClassicTrackHeaderSize = 44;
constexpr size_t kClassicRecordSize = 4;

}  // namespace

TrackWalker::TrackWalker(const RcpTrack& track, RcpLayout layout, size_t& budget)
    : records_(track.records), layout_(layout), budget_(budget) {}

const RcpRecord* TrackWalker::Next() {
    outer_loop_opened_ = false;
    while (!ended_) {
        if (budget_ == 0) {
            budget_exhausted_ = true;
            ended_ = true;
            break;
        }
        --budget_;
        if (index_ >= records_.size()) {
            if (in_same_measure_) {
                LeaveSameMeasure();
                continue;
            }
            ended_ = true;
            break;
        }
        const RcpRecord& record = records_[index_];
        switch (record.command) {
            case kTrackEnd:
            case kTrackEndAlternative:
                // Inside a referenced measure only broken offsets lead here: go back.
                if (in_same_measure_) {
                    LeaveSameMeasure();
                } else {
                    ended_ = true;
                }
                break;
            case kMeasureEnd:
                if (in_same_measure_) {
                    LeaveSameMeasure();
                } else {
                    ++index_;
                }
                break;
            case kSameMeasure:
                // Within a referenced measure, a same-measure record starts the next measure.
                if (in_same_measure_) {
                    LeaveSameMeasure();
                } else if (auto target = ResolveSameMeasure(index_)) {
                    EnterSameMeasure(*target);
                } else {
                    ++index_;  // unresolvable: an empty measure
                }
                break;
            case kLoopOpen:
                if (loops_.size() >= kMaxLoopDepth) {
                    ++ignored_opens_;
                } else {
                    if (loops_.empty() && !in_same_measure_) {
                        outer_loop_opened_ = true;
                    }
                    loops_.push_back({index_ + 1, in_same_measure_, return_index_, -1});
                }
                ++index_;
                break;
            case kLoopClose:
                CloseLoop(record);
                break;
            default:
                last_index_ = index_++;
                return &record;
        }
    }
    return nullptr;
}

void TrackWalker::CloseLoop(const RcpRecord& record) {
    if (ignored_opens_ > 0) {
        --ignored_opens_;  // the close of a loop that was too deep
        ++index_;
        return;
    }
    if (loops_.empty()) {
        ++index_;  // a close without an open
        return;
    }
    LoopFrame& loop = loops_.back();
    // The count is read on the first arrival only, so an inner loop restarts with its full
    // count each time an outer loop repeats it.
    if (loop.passes_left < 0) {
        const bool outermost = loops_.size() == 1 && !loop.in_same_measure && !in_same_measure_;
        if (record.step == 0 && outermost && stop_at_endless_loop_) {
            ended_ = true;
            ended_at_endless_loop_ = true;
            return;
        }
        loop.passes_left = record.step == 0 ? kEndlessLoopPasses : record.step;
    }
    if (--loop.passes_left > 0) {
        index_ = loop.body_start;
        in_same_measure_ = loop.in_same_measure;
        return_index_ = loop.return_index;
        return;
    }
    loops_.pop_back();
    ++index_;
}

std::optional<size_t> TrackWalker::SameMeasureTarget(const RcpRecord& record) const {
    size_t target;
    if (layout_ == RcpLayout::Classic) {
        // A byte offset from the start of the track block, header included.
        size_t offset = (record.p1 & 0xFCu) + 256u * record.p2;
        if (offset < kClassicTrackHeaderSize) {
            return std::nullopt;
        }
        target = (offset - kClassicTrackHeaderSize) / kClassicRecordSize;
    } else {
        if (record.p1 < kExtendedIndexBase) {
            return std::nullopt;
        }
        target = record.p1 - kExtendedIndexBase;
    }
    if (target >= records_.size()) {
        return std::nullopt;
    }
    return target;
}

std::optional<size_t> TrackWalker::ResolveSameMeasure(size_t index) const {
    // Follow references to references up front: a referenced measure never calls another.
    size_t current = index;
    for (int hop = 0; hop <= kMaxSameMeasureHops; ++hop) {
        auto target = SameMeasureTarget(records_[current]);
        if (!target || *target == current || *target == index) {
            return std::nullopt;
        }
        if (records_[*target].command != kSameMeasure) {
            return target;
        }
        current = *target;
    }
    return std::nullopt;
}

void TrackWalker::EnterSameMeasure(size_t target) {
    return_index_ = index_ + 1;
    in_same_measure_ = true;
    loop_depth_at_entry_ = loops_.size();
    ignored_opens_at_entry_ = ignored_opens_;
    index_ = target;
}

void TrackWalker::LeaveSameMeasure() {
    index_ = return_index_;
    in_same_measure_ = false;
    // Loops left open inside the referenced measure end with it.
    if (loops_.size() > loop_depth_at_entry_) {
        loops_.resize(loop_depth_at_entry_);
    }
    ignored_opens_ = ignored_opens_at_entry_;
}

}  // namespace rcpcv
