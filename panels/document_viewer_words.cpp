// CDocumentViewerPanel with a song's words: choosing between them and the
// text, following the song, and lighting what has been sung.

#include <algorithm>

#include "gfx/draw.h"
#include "midi/player.h"
#include "midi/sequencer.h"
#include "panels/document_viewer_layout.h"
#include "panels/document_viewer_panel.h"

using namespace document_viewer;

void CDocumentViewerPanel::LoadWords() {
    if (PlayerIsLoaded())
        words.Build(GetSequencer().GetLyrics());
    else
        words.Clear();
}

void CDocumentViewerPanel::ShowDocument(Document shown) {
    document = shown;
    other_top = 0;
    ScrollTo(ShowsWords() ? FollowedTop() : 0);
}

void CDocumentViewerPanel::SwitchDocument() {
    const int kept = top_line;
    document = ShowsWords() ? Document::kText : Document::kWords;
    scrolled_by_hand = false;
    ScrollTo(ShowsWords() ? FollowedTop() : other_top);
    other_top = kept;
}

void CDocumentViewerPanel::FollowSong(ULONGLONG now_ms) {
    if (visible.load(std::memory_order_relaxed))
        Follow(now_ms);
}

void CDocumentViewerPanel::Follow(ULONGLONG now_ms) {
    if (!ShowsWords() || (scrolled_by_hand && now_ms - hand_scroll_ms < kHandScrollHold_ms))
        return;
    scrolled_by_hand = false;
    const int top = FollowedTop();
    if (top != top_line)
        ScrollTo(top);
}

int CDocumentViewerPanel::FollowedTop() const {
    const int line = static_cast<int>(words.CurrentLine(GetSequencer().GetSongTimeMs()));
    const int top = line - kFollowRow;
    const int max_top = GetMaxTop();
    return top < 0 ? 0 : top > max_top ? max_top : top;
}

void CDocumentViewerPanel::ScrollByHand(int line) {
    if (ShowsWords()) {
        scrolled_by_hand = true;
        hand_scroll_ms = GetTickCount64();
    }
    ScrollTo(line);
}

void CDocumentViewerPanel::DrawWords(HDC dc, CLyricHighlight& highlight) {
    SetTextColor(dc, kDimText);
    const TextLineArray& rows = words.Lines();
    const int count = static_cast<int>(rows.size());
    LONG right_px[CLyricHighlight::kPiecesPerRow];
    for (int i = 0; i < kVisibleLines && top_line + i < count; ++i) {
        const auto n = static_cast<std::uint32_t>(top_line + i);
        const std::string& line = rows[n];
        TextOutA(dc, kTextLeft_px, RowTop(i), line.c_str(), static_cast<int>(line.size()));
        const LyricPiece* pieces = words.Pieces(n);
        // A line of 80 bytes has at most 80 pieces; the bound keeps it so.
        const std::uint32_t piece_count =
            std::min<std::uint32_t>(words.PieceCount(n), CLyricHighlight::kPiecesPerRow);
        for (std::uint32_t k = 0; k < piece_count; ++k) {
            SIZE size{0, 0};
            GetTextExtentPoint32A(dc, line.c_str(), pieces[k].end, &size);
            right_px[k] = kTextLeft_px + size.cx;
        }
        highlight.AddRow(RowTop(i), pieces, right_px, piece_count);
    }
}

CLyricHighlight& CDocumentViewerPanel::HighlightToDraw(IDirectDrawSurface* image) {
    // The frame thread reads only the highlight of the shown image; the
    // image being drawn is never the shown one.
    IDirectDrawSurface* shown = GetShownDirectDrawSurface();
    for (int i = 0; i < 2; ++i)
        if (highlight_images[i].load(std::memory_order_relaxed) == image)
            return highlights[i];
    return highlights[highlight_images[0].load(std::memory_order_relaxed) == shown ? 1 : 0];
}

void CDocumentViewerPanel::PublishHighlight(IDirectDrawSurface* image,
                                            const CLyricHighlight& highlight) {
    const int i = &highlight == &highlights[0] ? 0 : 1;
    highlight_images[i].store(image, std::memory_order_release);
}

void CDocumentViewerPanel::LightSungWords(CSurface* target, IDirectDrawSurface* shown_image) const {
    for (int i = 0; i < 2; ++i) {
        if (highlight_images[i].load(std::memory_order_acquire) != shown_image)
            continue;
        RECT lit[2];
        const int count = highlights[i].LitRects(GetSequencer().GetSongTimeMs(), kWidth_px, lit);
        for (int k = 0; k < count; ++k)
            RecolourRect(target->surface, rect.left + lit[k].left, rect.top + lit[k].top,
                         rect.left + lit[k].right, rect.top + lit[k].bottom, kDimTextIndex,
                         kTextIndex);
        return;
    }
}
