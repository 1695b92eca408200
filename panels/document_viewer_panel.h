// The document viewer: a plain text file laid over the dimmed screen in
// white, scrolled by line or by page; or the words of the playing song, the
// part already sung lit as the song reaches it and the line being sung kept
// in view.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "gfx/panel.h"
#include "panels/lyric_highlight.h"
#include "panels/lyric_lines.h"
#include "panels/text_line_builder.h"
#include "platform/gdi.h"

class CDocumentViewerPanel : public CInteractivePanel {
public:
    static constexpr int kLinePitch_px = 15;
    static constexpr int kVisibleLines = (424 - 10) / kLinePitch_px;  // 27
    // The row of the view the line being sung is kept at.
    static constexpr int kFollowRow = kVisibleLines / 4;
    // How long a scroll by hand keeps the words where the user put them.
    static constexpr ULONGLONG kHandScrollHold_ms = 5000;

    CDocumentViewerPanel();
    ~CDocumentViewerPanel() override;

    int Create() override;
    void Draw(CSurface* target) override;
    int Notify(int code) override;
    void Restore() override;
    int OnInput(InputEvent* event) override;

    // Reads the file into display lines and shows it from the top; a file
    // that cannot be read leaves the document empty.
    void LoadText(const char* path);
    // Loads the text file named after the loaded song ("SONG.MID" gives
    // "SONG.txt"; a song without an extension gets ".txt" appended), and
    // the song's words; shows the words when there is no such text.
    void LoadCompanionText();
    // While the words are shown: scrolls to the line being sung unless the
    // user scrolled by hand less than kHandScrollHold_ms before `now_ms`.
    // Main thread.
    void FollowSong(ULONGLONG now_ms);

    int GetTopLine() const { return top_line; }
    int GetMaxTop() const;
    // The lines of the document shown (the text or the words).
    std::uint32_t GetLineCount() const { return static_cast<std::uint32_t>(Shown().size()); }
    const char* GetLine(std::uint32_t i) const { return Shown()[i].c_str(); }
    bool IsVisible() const { return visible != 0; }
    bool ShowsWords() const { return document == Document::kWords; }

private:
    enum class Document { kText, kWords };

    const TextLineArray& Shown() const { return ShowsWords() ? words.Lines() : lines; }
    // Reads the file into the text's lines; false when it cannot be opened.
    bool ReadText(const char* path);
    // The words of the loaded song (none without one).
    void LoadWords();
    // Shows the text from its top, or the words at the line being sung.
    void ShowDocument(Document shown);
    // Between the text and the words, each at its own place.
    void SwitchDocument();
    // FollowSong, whether the panel is visible or not.
    void Follow(ULONGLONG now_ms);
    // The top line that puts the line being sung at kFollowRow.
    int FollowedTop() const;
    void Redraw();
    void ScrollTo(int line);
    void ScrollByHand(int line);
    // The words' rows of the image being drawn, measured for the highlight.
    void DrawWords(HDC dc, CLyricHighlight& highlight);
    // The highlight that belongs to `image`, or one no shown image uses.
    CLyricHighlight& HighlightToDraw(IDirectDrawSurface* image);
    // Tags the highlight with the image it now belongs to, before the commit.
    void PublishHighlight(IDirectDrawSurface* image, const CLyricHighlight& highlight);
    // Frame thread: lights the sung words on the target.
    void LightSungWords(CSurface* target, IDirectDrawSurface* shown_image) const;

    std::atomic<int> visible{0};
    HFONT font = nullptr;
    int top_line = 0;
    TextLineArray lines;
    IDirectDrawPalette* palette = nullptr;
    // The text was read from a file (a companion text or a chosen one).
    bool has_text = false;
    CLyricLines words;
    Document document = Document::kText;
    // The other document's top line, kept while it is not shown.
    int other_top = 0;
    // Tab has switched documents since the panel got the focus.
    bool switched = false;
    ULONGLONG hand_scroll_ms = 0;
    bool scrolled_by_hand = false;
    // One highlight for each of the two images the panel draws in turn,
    // tagged with the image it was measured for.
    CLyricHighlight highlights[2];
    std::atomic<IDirectDrawSurface*> highlight_images[2] = {nullptr, nullptr};
};

// The companion text's name of a song path, within MAX_PATH; false when it
// would not fit.
bool CompanionTextPath(const char* song_path, char* text_path, size_t size);

// LoadText on the document viewer in use; nothing while there is none.
void DocumentViewerLoadText(const char* path);
// FollowSong on the document viewer in use at this moment; nothing while
// there is none.
void DocumentViewerFollowSong();
// Whether a document viewer is shown with a song's words, which scroll with it.
bool DocumentViewerFollowsWords();
