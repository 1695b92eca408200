#include "platform/ddraw/frame_recording.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <mutex>
#include <tuple>

#include "platform/ddraw/ddraw_objects.h"

namespace platform::video {
namespace {

// The first changed tile of a row from `column` on, or `end`: changed tiles
// are few, and memchr passes over the rest many at a time.
LONG NextChanged(const std::uint8_t* changed, LONG column, LONG end) {
    if (column >= end)
        return end;
    const void* found = std::memchr(changed + column, 1, static_cast<std::size_t>(end - column));
    return found ? static_cast<LONG>(static_cast<const std::uint8_t*>(found) - changed) : end;
}

bool SameArea(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

bool Contains(const RECT& outer, const RECT& inner) {
    return outer.left <= inner.left && outer.top <= inner.top && outer.right >= inner.right &&
           outer.bottom >= inner.bottom;
}

bool SameKeys(const RowKeys& a, const RowKeys& b) {
    return a.use_source == b.use_source && a.use_dest == b.use_dest &&
           (!a.use_source || (a.source_low == b.source_low && a.source_high == b.source_high)) &&
           (!a.use_dest || (a.dest_low == b.dest_low && a.dest_high == b.dest_high));
}

// A set of up to 64 patches (a bit each) for each of 64 bands of 2^shift
// pixels along one dimension.
class BandTable {
public:
    explicit BandTable(int shift) : shift_(shift) {}
    // Adds `patches` to the bands that the pixels [from, to) touch.
    void Add(LONG from, LONG to, std::uint64_t patches) {
        for (LONG band = from >> shift_; band <= (to - 1) >> shift_; ++band)
            bands_[static_cast<std::size_t>(band)] |= patches;
    }
    // The patches in any band that the pixels [from, to) touch.
    std::uint64_t Meeting(LONG from, LONG to) const {
        std::uint64_t patches = 0;
        for (LONG band = from >> shift_; band <= (to - 1) >> shift_; ++band)
            patches |= bands_[static_cast<std::size_t>(band)];
        return patches;
    }

private:
    int shift_;
    std::array<std::uint64_t, 64> bands_{};
};

// The fewest doublings of a band that fit `length` pixels into 64 bands.
int BandShift(LONG length) {
    int shift = 0;
    while ((LONG{64} << shift) < length)
        ++shift;
    return shift;
}

}  // namespace

bool KeptDraw::Repeats(const KeptDraw& other) const {
    if (source_id != other.source_id || !SameArea(area, other.area))
        return false;
    if (source_id == 0)
        return fill == other.fill;
    return source_version == other.source_version && from_x == other.from_x &&
           from_y == other.from_y && SameKeys(keys, other.keys);
}

FrameRecorder& FrameRecorder::Get() {
    // Never destroyed: surfaces freed at exit may still ask it to draw.
    static FrameRecorder* recorder = new FrameRecorder;
    return *recorder;
}

void FrameRecorder::Begin(DrawSurface& target) {
    End();
    std::lock_guard guard(lock_);
    target_ = &target;
    drawn_whole_ = false;
    kept_.clear();
    target.recording_.store(true, std::memory_order_release);
}

bool FrameRecorder::Keep(DrawSurface& target, const KeptDraw& draw) {
    std::lock_guard guard(lock_);
    if (&target != target_ || drawn_whole_)
        return false;
    KeptDraw& kept = kept_.emplace_back(draw);
    if (DrawSurface* source = kept.source) {
        // A frame reads a handful of pictures many times each.
        if (std::find(held_.rbegin(), held_.rend(), source) == held_.rend()) {
            source->AddRef();
            source->kept_reads_.fetch_add(1, std::memory_order_acq_rel);
            held_.push_back(source);
        }
        kept.source_id = source->id_;
        kept.source_version = source->version_.load(std::memory_order_acquire);
    }
    return true;
}

void FrameRecorder::DrawKeptNow() {
    std::vector<DrawSurface*> drawn_sources;
    {
        std::lock_guard guard(lock_);
        if (!target_ || drawn_whole_)
            return;
        drawn_whole_ = true;
        for (const KeptDraw& draw : kept_)
            target_->RunDraw(draw, draw.area);
        kept_.clear();
        StopHolding(drawn_sources);
        target_->AfterChange();
        // Only now may the recording thread draw on the target directly.
        target_->recording_.store(false, std::memory_order_release);
    }
    LetGo(drawn_sources);
}

void FrameRecorder::End() {
    std::vector<DrawSurface*> drawn_sources;
    {
        std::lock_guard guard(lock_);
        if (!target_)
            return;
        DrawSurface& target = *target_;
        target_ = nullptr;
        target.recording_.store(false, std::memory_order_release);
        if (!drawn_whole_) {
            const bool follows = target.drawn_by_valid_.load(std::memory_order_relaxed);
            MarkChanges(target, follows ? &target.drawn_by_ : nullptr);
            MarkCovers();
            for (std::size_t i = 0; i < kept_.size(); ++i)
                DrawOnChangedTiles(target, kept_[i], static_cast<std::uint32_t>(i));
            DrawPatches(target);
            StopHolding(drawn_sources);
            // The list now describes the pixels; the old one is reused.
            target.drawn_by_.swap(kept_);
            target.version_.fetch_add(1, std::memory_order_release);
            target.drawn_by_valid_.store(true, std::memory_order_relaxed);
        }
        kept_.clear();
    }
    LetGo(drawn_sources);
}

void FrameRecorder::MarkChanges(const DrawSurface& target, const std::vector<KeptDraw>* drawn) {
    tiles_across_ = (target.width_px_ + kTileSide - 1) / kTileSide;
    const int tiles_down = (target.height_px_ + kTileSide - 1) / kTileSide;
    const RECT whole{0, 0, target.width_px_, target.height_px_};
    // Without a first draw over every pixel, a pixel could keep what came
    // before the frame, which no list says.
    const bool starts_whole =
        !kept_.empty() && kept_.front().Opaque() && SameArea(kept_.front().area, whole);
    const bool compare = drawn && starts_whole;
    changed_tiles_.assign(static_cast<std::size_t>(tiles_across_) * tiles_down, compare ? 0 : 1);
    changed_rows_.assign(tiles_down, compare ? 0 : 1);
    patches_.clear();
    cover_hint_ = 0;
    if (!compare) {
        last_cover_.assign(changed_tiles_.size(), 0);
        return;
    }
    // Covers are noted on changed tiles only, which MarkArea clears.
    last_cover_.resize(changed_tiles_.size());
    // The two lists are matched in order, each draw with one that repeats
    // it where it can be: a pixel that only matched draws cover keeps its
    // value. Every other draw of either list is drawn again (or its area
    // is) by MarkDrawn, RepaintOld and MarkArea.
    const std::vector<KeptDraw>& before = *drawn;
    std::size_t now = 0, old = 0;
    while (now < kept_.size() && old < before.size()) {
        if (kept_[now].Repeats(before[old])) {
            ++now;
            ++old;
        } else if (now + 1 < kept_.size() && kept_[now + 1].Repeats(before[old])) {
            MarkDrawn(now++);  // a draw more than before
        } else if (old + 1 < before.size() && kept_[now].Repeats(before[old + 1])) {
            RepaintOld(before[old++].area, now);  // a draw fewer
        } else {
            // A keyed draw's tiles are drawn whole, the old area's with them.
            if (!kept_[now].Opaque())
                MarkArea(before[old].area);
            else if (!Contains(kept_[now].area, before[old].area))
                RepaintOld(before[old].area, now);
            MarkDrawn(now++);
            ++old;
        }
    }
    while (now < kept_.size())
        MarkDrawn(now++);
    while (old < before.size())
        RepaintOld(before[old++].area, now);
}

void FrameRecorder::MarkDrawn(std::size_t index) {
    // An opaque draw covers whatever came before it in its area: there only
    // it and what follows it need drawing.
    if (kept_[index].Opaque())
        patches_.push_back({kept_[index].area, index, false});
    else
        MarkArea(kept_[index].area);
}

void FrameRecorder::RepaintOld(const RECT& area, std::size_t near) {
    // Any opaque draw over all of the area will do; the one found last
    // (a panel's picture, mostly) usually serves the next area too.
    const auto covers = [&](std::size_t index) {
        return kept_[index].Opaque() && Contains(kept_[index].area, area);
    };
    if (cover_hint_ >= near || !covers(cover_hint_)) {
        // The frame's first draw covers the whole target.
        cover_hint_ = std::min(near, kept_.size());
        while (cover_hint_ > 0 && !covers(--cover_hint_)) {
        }
    }
    patches_.push_back({area, cover_hint_, true});
}

void FrameRecorder::MarkArea(const RECT& area) {
    for (LONG row = area.top / kTileSide; row <= (area.bottom - 1) / kTileSide; ++row) {
        changed_rows_[row] = 1;
        const std::size_t first = row * tiles_across_ + area.left / kTileSide;
        const std::size_t count = (area.right - 1) / kTileSide - area.left / kTileSide + 1;
        std::fill_n(changed_tiles_.begin() + first, count, std::uint8_t{1});
        std::fill_n(last_cover_.begin() + first, count, 0u);
    }
}

void FrameRecorder::MarkCovers() {
    for (std::size_t i = 1; i < kept_.size(); ++i) {
        const KeptDraw& draw = kept_[i];
        if (!draw.Opaque())
            continue;
        // The tiles wholly inside the draw's area.
        const RECT& area = draw.area;
        const LONG first_column = (area.left + kTileSide - 1) / kTileSide;
        const LONG end_column = area.right / kTileSide;
        for (LONG row = (area.top + kTileSide - 1) / kTileSide; row < area.bottom / kTileSide;
             ++row) {
            if (!changed_rows_[row])
                continue;
            const std::size_t row_start = static_cast<std::size_t>(row) * tiles_across_;
            const std::uint8_t* changed = &changed_tiles_[row_start];
            for (LONG column = NextChanged(changed, first_column, end_column); column < end_column;
                 column = NextChanged(changed, column + 1, end_column))
                last_cover_[row_start + column] = static_cast<std::uint32_t>(i);
        }
    }
}

void FrameRecorder::DrawOnChangedTiles(DrawSurface& target, const KeptDraw& draw,
                                       std::uint32_t index) const {
    const RECT& area = draw.area;
    const LONG first_column = area.left / kTileSide;
    const LONG last_column = (area.right - 1) / kTileSide;
    for (LONG row = area.top / kTileSide; row <= (area.bottom - 1) / kTileSide; ++row) {
        if (!changed_rows_[row])
            continue;
        const std::size_t row_start = static_cast<std::size_t>(row) * tiles_across_;
        const std::uint8_t* changed = &changed_tiles_[row_start];
        const std::uint32_t* cover = &last_cover_[row_start];
        const auto drawn_here = [&](LONG column) {
            return changed[column] && cover[column] <= index;
        };
        // Runs of tiles to draw along the row, each drawn as one block.
        for (LONG column = first_column; column <= last_column;) {
            column = NextChanged(changed, column, last_column + 1);
            if (column > last_column)
                break;
            if (!drawn_here(column)) {
                ++column;
                continue;
            }
            LONG run_end = column;
            while (run_end < last_column && drawn_here(run_end + 1))
                ++run_end;
            const RECT clip{std::max(area.left, column * kTileSide),
                            std::max(area.top, row * kTileSide),
                            std::min(area.right, (run_end + 1) * kTileSide),
                            std::min(area.bottom, (row + 1) * kTileSide)};
            target.RunDraw(draw, clip);
            column = run_end + 1;
        }
    }
}

void FrameRecorder::JoinPatches() {
    // Changed draws first, by band of rows and then from the left.
    std::sort(patches_.begin(), patches_.end(), [](const Patch& a, const Patch& b) {
        return std::tie(a.old, a.area.top, a.area.bottom, a.area.left) <
               std::tie(b.old, b.area.top, b.area.bottom, b.area.left);
    });
    std::size_t kept = 0;
    std::size_t i = 0;
    for (; i < patches_.size() && !patches_[i].old; ++i) {
        const RECT& area = patches_[i].area;
        Patch* last = kept > 0 ? &patches_[kept - 1] : nullptr;
        if (last && last->area.top == area.top && last->area.bottom == area.bottom &&
            area.left <= last->area.right) {
            last->area.right = std::max(last->area.right, area.right);
            last->first = std::min(last->first, patches_[i].first);
        } else {
            patches_[kept++] = patches_[i];
        }
    }
    const auto changed_end = patches_.begin() + static_cast<std::ptrdiff_t>(kept);
    for (; i < patches_.size(); ++i) {
        const RECT& area = patches_[i].area;
        if (std::none_of(patches_.begin(), changed_end,
                         [&](const Patch& patch) { return Contains(patch.area, area); }))
            patches_[kept++] = patches_[i];
    }
    patches_.resize(kept);
}

void FrameRecorder::DrawPatches(DrawSurface& target) {
    JoinPatches();
    // The walk begins each patch as it passes its first draw.
    std::stable_sort(patches_.begin(), patches_.end(),
                     [](const Patch& a, const Patch& b) { return a.first < b.first; });
    const PatchBands bands{BandShift(target.height_px_), BandShift(target.width_px_)};
    for (std::size_t group = 0; group < patches_.size(); group += PatchBands::kPatches)
        DrawPatchGroup(target, group, std::min(patches_.size(), group + PatchBands::kPatches),
                       bands);
}

void FrameRecorder::DrawPatchGroup(DrawSurface& target, std::size_t begin, std::size_t end,
                                   const PatchBands& bands) {
    // The draws are walked once, each drawn clipped to every patch begun at
    // or before it. Where patches overlap, a draw lands there twice in a
    // row, which leaves the pixel as once (a copy or fill writes the same
    // value again); from a later patch's own opaque draw on, the pixel is
    // what that patch alone makes of it. A group drawn after another
    // overwrites its patches' areas whole, as one patch after another does.
    BandTable rows(bands.row_shift), columns(bands.column_shift);  // the group's patches
    for (std::size_t p = begin; p < end; ++p) {
        const RECT& area = patches_[p].area;
        const std::uint64_t bit = std::uint64_t{1} << (p - begin);
        rows.Add(area.top, area.bottom, bit);
        columns.Add(area.left, area.right, bit);
    }
    std::uint64_t begun = 0;
    std::size_t next = begin;
    for (std::size_t i = patches_[begin].first; i < kept_.size(); ++i) {
        for (; next < end && patches_[next].first == i; ++next)
            begun |= std::uint64_t{1} << (next - begin);
        // The begun patches sharing a band of rows and one of columns with
        // the draw: most draws meet none.
        const RECT& area = kept_[i].area;
        std::uint64_t meets = rows.Meeting(area.top, area.bottom) & begun;
        if (meets == 0)
            continue;
        for (meets &= columns.Meeting(area.left, area.right); meets; meets &= meets - 1) {
            const RECT& patch = patches_[begin + std::countr_zero(meets)].area;
            const RECT clip{std::max(area.left, patch.left), std::max(area.top, patch.top),
                            std::min(area.right, patch.right), std::min(area.bottom, patch.bottom)};
            if (clip.left < clip.right && clip.top < clip.bottom)
                target.RunDraw(kept_[i], clip);
        }
    }
}

void FrameRecorder::StopHolding(std::vector<DrawSurface*>& drawn_sources) {
    for (DrawSurface* source : held_)
        source->kept_reads_.fetch_sub(1, std::memory_order_acq_rel);
    // Copied out, so the list keeps its room for the next frame.
    drawn_sources.assign(held_.begin(), held_.end());
    held_.clear();
}

void FrameRecorder::LetGo(const std::vector<DrawSurface*>& sources) {
    for (DrawSurface* source : sources)
        source->Release();
}

}  // namespace platform::video

namespace platform {

void BeginFrameRecording(IDirectDrawSurface* back_buffer) {
    if (back_buffer)
        video::FrameRecorder::Get().Begin(*static_cast<video::DrawSurface*>(back_buffer));
}

void EndFrameRecording() {
    video::FrameRecorder::Get().End();
}

}  // namespace platform
