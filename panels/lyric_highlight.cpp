#include "panels/lyric_highlight.h"

#include <algorithm>

void CLyricHighlight::AddRow(LONG top_px, const LyricPiece* pieces, const LONG* right_px,
                             std::uint32_t count) {
    if (row_count_ == kRows)
        return;
    const std::uint16_t first =
        row_count_ == 0
            ? 0
            : static_cast<std::uint16_t>(rows_[row_count_ - 1].first + rows_[row_count_ - 1].count);
    const auto kept = static_cast<std::uint16_t>(std::min<std::uint32_t>(count, kPiecesPerRow));
    std::copy_n(pieces, kept, pieces_.begin() + first);
    std::copy_n(right_px, kept, right_px_.begin() + first);
    rows_[row_count_++] = {top_px, first, kept};
}

int CLyricHighlight::LitRects(std::uint32_t play_ms, LONG width_px, RECT (&rects)[2]) const {
    int count = 0;
    LONG whole_top = -1, whole_bottom = -1;
    for (int i = 0; i < row_count_; ++i) {
        const Row& row = rows_[i];
        if (row.count == 0)
            continue;
        const std::size_t reached = ReachedPieces(&pieces_[row.first], row.count, play_ms);
        if (reached == row.count) {
            if (whole_top < 0)
                whole_top = row.top_px;
            whole_bottom = row.top_px + kRowHeight_px;
            continue;
        }
        // The sung rows' cells end where this row's begins.
        whole_bottom = std::min(whole_bottom, row.top_px);
        if (reached > 0)
            rects[count++] = {0, row.top_px, right_px_[row.first + reached - 1],
                              row.top_px + kRowHeight_px};
        break;
    }
    if (whole_top >= 0)
        rects[count++] = {0, whole_top, width_px, whole_bottom};
    return count;
}
