// The document viewer: a plain text file laid over the dimmed screen in
// white, scrolled by line or by page.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gfx/panel.h"
#include "platform/gdi.h"

// The display lines of a document. Kept as plain strings: a CStr checks
// its source with a system call on every assignment, which made a 1 MB
// text take a quarter of a second to load.
using TextLineArray = std::vector<std::string>;

// Turns bytes into display lines: tabs to the next multiple of 8, lines
// cut at 80 bytes, CR LF and LF both ending a line. A huge text keeps only
// its first kMaxLines lines, so a multi-megabyte file cannot exhaust memory.
class CTextLineBuilder {
public:
    static constexpr size_t kLineBytes = 80;
    static constexpr std::uint32_t kMaxLines = 100000;

    explicit CTextLineBuilder(TextLineArray& lines) : lines_(lines) {}
    // False once the line limit is reached (the rest is not needed).
    bool Add(unsigned char byte);
    // Ends the text: the last line is kept even without a line feed.
    void Finish();

private:
    void EmitLine(size_t length);

    TextLineArray& lines_;
    char line_[256] = {};
    size_t length_ = 0;
};

class CDocumentViewerPanel : public CInteractivePanel {
public:
    static constexpr int kLinePitch_px = 15;
    static constexpr int kVisibleLines = (424 - 10) / kLinePitch_px;  // 27

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
    // "SONG.txt"; a song without an extension gets ".txt" appended).
    void LoadCompanionText();

    int GetTopLine() const { return top_line; }
    int GetMaxTop() const;
    std::uint32_t GetLineCount() const { return static_cast<std::uint32_t>(lines.size()); }
    const char* GetLine(std::uint32_t i) const { return lines[i].c_str(); }
    bool IsVisible() const { return visible != 0; }

private:
    void Redraw();
    void ScrollTo(int line);

    std::atomic<int> visible{0};
    HFONT font = nullptr;
    int top_line = 0;
    TextLineArray lines;
    IDirectDrawPalette* palette = nullptr;
};

// The companion text's name of a song path, within MAX_PATH; false when it
// would not fit.
bool CompanionTextPath(const char* song_path, char* text_path, size_t size);

// LoadText on the document viewer in use; nothing while there is none.
void DocumentViewerLoadText(const char* path);
