// What the frame thread needs to light the sung part of the words on one
// committed image of the document viewer: for each row shown, the times of
// its pieces and where each ends on screen. Filled on the main thread when
// the image is drawn; reading it allocates nothing.
#pragma once

#include <array>
#include <cstdint>

#include "panels/lyric_lines.h"
#include "platform/win32_types.h"

class CLyricHighlight {
public:
    static constexpr int kRows = 27;
    static constexpr int kPiecesPerRow = static_cast<int>(CLyricLines::kLineBytes);
    static constexpr LONG kRowHeight_px = 16;

    // Forgets every row (an image without words).
    void Clear() { row_count_ = 0; }
    // Adds the next row shown: its top, the pieces of its line and the right
    // edge of each piece (all in panel pixels).
    void AddRow(LONG top_px, const LyricPiece* pieces, const LONG* right_px, std::uint32_t count);

    // The rectangles of the image to light at song time `play_ms` (whole rows
    // sung, then the part of the row being sung); returns how many (0 to 2).
    int LitRects(std::uint32_t play_ms, LONG width_px, RECT (&rects)[2]) const;

private:
    struct Row {
        LONG top_px;
        std::uint16_t first;
        std::uint16_t count;
    };
    int row_count_ = 0;
    std::array<Row, kRows> rows_{};
    std::array<LyricPiece, kRows * kPiecesPerRow> pieces_{};
    std::array<LONG, kRows * kPiecesPerRow> right_px_{};
};
