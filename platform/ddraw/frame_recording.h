// A frame's copies and fills onto the back buffer, kept until the frame ends
// and then drawn only where they differ from the draws that made the back
// buffer's picture (two flips ago). Most of a resting screen repeats itself
// frame after frame; its pixels are then left as they are.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/ddraw.h"
#include "platform/ddraw/rows_copy.h"
#include "platform/ddraw/short_hold_lock.h"

namespace platform::video {

class DrawSurface;

// One copy onto the recording surface, or a fill when it has no source.
struct KeptDraw {
    DrawSurface* source = nullptr;  // referenced from Keep until drawn
    std::uint64_t source_id = 0;
    std::uint64_t source_version = 0;
    RECT area{};                  // the pixels it draws
    LONG from_x = 0, from_y = 0;  // the source pixel drawn at area's corner
    RowKeys keys;
    BYTE fill = 0;

    // The same pixels from the same picture of the same source.
    bool Repeats(const KeptDraw& other) const;
    bool Opaque() const { return !keys.use_source && !keys.use_dest; }
};

class FrameRecorder {
public:
    static FrameRecorder& Get();

    // Starts keeping the copies and fills onto `target`.
    void Begin(DrawSurface& target);
    // Keeps a draw onto `target`; false when it is to be drawn at once.
    bool Keep(DrawSurface& target, const KeptDraw& draw);
    // Draws everything kept, whole, and lets the rest of the frame draw as it
    // comes: something is about to read the target or change a kept source.
    void DrawKeptNow();
    // Draws the frame where it differs from the target's last one.
    void End();

private:
    static constexpr int kTileSide = 8;

    // Marks the tiles whose pixels the frame may change: all of them unless
    // the frame starts by covering the target and `drawn` made its pixels.
    void MarkChanges(const DrawSurface& target, const std::vector<KeptDraw>* drawn);
    void MarkArea(const RECT& area);
    // Marks a kept draw that repeats none of the last list's.
    void MarkDrawn(std::size_t index);
    // Marks the area of a draw of the last list that repeats none of this
    // one's to be drawn again, pixel for pixel, from an opaque draw over all
    // of it before `near` (the kept draw that took its place).
    void RepaintOld(const RECT& area, std::size_t near);
    // Notes, for every changed tile, the last opaque draw over all of it:
    // what comes before that draw there is drawn over and left out.
    void MarkCovers();
    void DrawOnChangedTiles(DrawSurface& target, const KeptDraw& draw, std::uint32_t index) const;
    // Pixels to a band of rows and of columns, each dimension in 64 bands.
    struct PatchBands {
        static constexpr std::size_t kPatches = 64;  // a group's, one bit each
        int row_shift;
        int column_shift;
    };
    // Joins changed draws' patches that meet side by side in one band of
    // rows (a scrolling strip drawn in two pieces) into one, first drawn
    // from the earlier one's first, whose opaque draws overwrite what comes
    // before them; and drops the old areas inside such a patch, which
    // draws all their pixels.
    void JoinPatches();
    // Draws each patch: the kept draws from its first on, inside its area;
    // up to 64 patches at a time, in one walk over the draws.
    void DrawPatches(DrawSurface& target);
    void DrawPatchGroup(DrawSurface& target, std::size_t begin, std::size_t end,
                        const PatchBands& bands);
    // The kept draws' sources are no longer read; they are handed over to be
    // let go.
    void StopHolding(std::vector<DrawSurface*>& drawn_sources);
    // Lets go of the kept draws' sources (outside the lock: a last release
    // frees the surface through its device).
    static void LetGo(const std::vector<DrawSurface*>& sources);

    ShortHoldLock lock_;
    DrawSurface* target_ = nullptr;
    bool drawn_whole_ = false;
    std::vector<KeptDraw> kept_;
    std::vector<DrawSurface*> held_;  // each kept draw's source, once
    int tiles_across_ = 0;
    std::vector<std::uint8_t> changed_tiles_;
    std::vector<std::uint8_t> changed_rows_;  // a row of tiles with any changed
    std::vector<std::uint32_t> last_cover_;
    // Areas drawn again pixel for pixel rather than by tiles: that of an
    // opaque draw that changed, or of an old draw replaced, with the draws
    // from an opaque one over all of it on.
    struct Patch {
        RECT area;
        std::size_t first;
        bool old;  // an old draw's area, from RepaintOld
    };
    std::vector<Patch> patches_;
    std::size_t cover_hint_ = 0;  // the kept draw RepaintOld found last
};

}  // namespace platform::video
