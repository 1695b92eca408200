// The file and drive selector: a 5 x 5 grid of the current directory's
// folders, songs and texts (or of the drives, or the song's title) with a
// keyboard cursor. Enter plays a song or opens a text.
#pragma once

#include <cstdint>
#include <string>

#include "gfx/array.h"
#include "gfx/critical_section.h"
#include "gfx/panel.h"
#include "panels/song_start.h"
#include "platform/win32_types.h"

enum EntryKind : std::uint16_t {
    ENTRY_SONG = 0,    // a song file (see SongKindOfName)
    ENTRY_TEXT = 1,    // .TXT
    ENTRY_FOLDER = 2,  // a sub-folder, "." or ".."
    ENTRY_DRIVE = 3,   // a drive root "X:\"
};

enum SelectorMode : std::int32_t {
    MODE_TITLE = 0,
    MODE_FILES = 1,
    MODE_DRIVES = 2,
};

struct FileEntry {
    char path[MAX_PATH];  // bare name in the current directory, or a drive root
    EntryKind kind;
};

using FileEntryArray = CArray<FileEntry, RecordElements<FileEntry>>;

class CFileSelectorPanel : public CInteractivePanel {
public:
    static constexpr int kColumns = 5;
    static constexpr int kRows = 5;

    CFileSelectorPanel();
    ~CFileSelectorPanel() override;

    int Create() override;
    void Draw(CSurface* target) override;
    int Notify(int code) override;
    // Stays on screen without the focus.
    void Hide() override { Show(); }
    void Restore() override;
    int OnInput(InputEvent* event) override;

    // The list index of grid cell (col, row): -2 past the last entry, -1
    // before the first.
    int EntryIndex(int col, int row) const;
    // The cell's rectangle inside the panel image.
    static RECT CellRect(int col, int row);

    // Rebuilds the entry list for the current mode.
    void Rescan();
    // Returns 0 when nothing changed; see the key handling for its uses.
    int SetMode(SelectorMode new_mode, int force);
    // Moves the cursor by (dc, dr) with wrapping and scrolling; 0 when the
    // move is refused.
    int MoveCursor(int dc, int dr);
    // Changes the process's current directory; beeps and returns 0 when it
    // cannot be entered.
    int ChangeDirectory(const char* path);

    // Puts the cursor on the song when the list is that of its folder (also
    // while the title is shown instead): the list follows the playing song.
    void FollowSong(const SongPlace& place);
    // Enters `folder` and lists its files from the first entry (leaving the
    // drives or the title); false, with a beep, when it cannot be entered.
    bool ShowFolder(const std::string& folder);

    SelectorMode GetMode() const { return mode; }
    int GetEntryCount() const { return entry_count; }
    int GetTopRow() const { return top_row; }
    int GetCursorCol() const { return cursor_col; }
    int GetCursorRow() const { return cursor_row; }
    const FileEntry* GetEntry(int index) {
        return entries.GetAt(static_cast<std::uint32_t>(index));
    }

    // For tests of the cursor arithmetic: a list of `count` entries.
    void SetEntriesForTesting(int count);

private:
    void Redraw();
    void DrawGrid();
    void DrawTitle();
    void EnterEntry();
    void AddEntry(const char* path, EntryKind kind);

    CCriticalSection entry_lock;
    FileEntryArray entries;
    int entry_count = 0;
    int top_row = 0;
    int cursor_col = 0;
    int cursor_row = 0;
    SelectorMode mode = MODE_FILES;
};

// The file selector in use, or null while there is none.
CFileSelectorPanel* GetFileSelector();

// The grid label of an entry ("/NAME", "\xB1SONG.MID", "\xB3 C:"), cut to
// the 17 cells of a column.
void FormatEntryLabel(const FileEntry& entry, char* label, size_t size);
