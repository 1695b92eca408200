#include "panels/file_selector_panel.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "display/palette.h"
#include "gfx/draw.h"
#include "gfx/panel_list.h"
#include "gfx/text.h"
#include "midi/sequencer.h"
#include "panels/document_viewer_panel.h"
#include "panels/file_list.h"
#include "panels/legible_name.h"
#include "panels/song_files.h"
#include "panels/song_start.h"
#include "panels/status_bar_panel.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/gdi.h"
#include "platform/user.h"

namespace {

constexpr LONG kSelectorWidth_px = 630;
constexpr LONG kSelectorHeight_px = 65;
constexpr size_t kLabelCells = 17;

CFileSelectorPanel* g_file_selector = nullptr;

}  // namespace

CFileSelectorPanel* GetFileSelector() {
    return g_file_selector;
}

CFileSelectorPanel::CFileSelectorPanel() {
    g_file_selector = this;
}

CFileSelectorPanel::~CFileSelectorPanel() {
    if (g_file_selector == this)
        g_file_selector = nullptr;
}

void FormatEntryLabel(const FileEntry& entry, char* label, size_t size) {
    switch (entry.kind) {
        case ENTRY_DRIVE: {
            UINT type = GetDriveTypeA(entry.path);
            char marker = type == DRIVE_FIXED       ? '\xB3'
                          : type == DRIVE_REMOVABLE ? '\xB5'
                          : type == DRIVE_CDROM     ? '\xB4'
                                                    : ' ';
            std::snprintf(label, size, "%c %.2s", marker, entry.path);
            break;
        }
        case ENTRY_FOLDER:
            std::snprintf(label, size, entry.path[0] == '.' ? "%s" : "/%s",
                          LegibleName(entry.path).c_str());
            break;
        default: {
            const char marker = SongMarker(SongKindOfName(entry.path));
            std::snprintf(label, size, "%c%s", marker, LegibleName(entry.path).c_str());
            break;
        }
    }
    if (std::strlen(label) > kLabelCells)
        label[kLabelCells] = '\0';
}

int CFileSelectorPanel::Create() {
    SetRect(5, 390, 635, 455);
    if (!CInteractivePanel::Create())
        return 0;
    Redraw();
    return 1;
}

void CFileSelectorPanel::Draw(CSurface* target) {
    if (target)
        DrawShown(target->surface);
}

int CFileSelectorPanel::Notify(int code) {
    if (CInteractivePanel::Notify(code))
        return 1;
    if (code == NOTIFY_START)
        Rescan();
    Redraw();
    return 0;
}

void CFileSelectorPanel::Restore() {
    CInteractivePanel::Restore();
    Redraw();
}

int CFileSelectorPanel::EntryIndex(int col, int row) const {
    int i = top_row * kColumns + row * kColumns + col;
    if (i >= entry_count)
        return -2;
    if (i < 0)
        return -1;
    return i;
}

RECT CFileSelectorPanel::CellRect(int col, int row) {
    return RECT{2 + 120 * col, 13 + 10 * row, 122 + 120 * col, 24 + 10 * row};
}

void CFileSelectorPanel::AddEntry(const char* path, EntryKind kind) {
    // The list grows in blocks and is trimmed at the end of the rescan, so
    // several thousand entries do not copy the pointer array each time.
    if (static_cast<std::uint32_t>(entry_count) >= entries.GetCount())
        entries.SetSizeNew(entries.GetCount() < 64 ? 64 : entries.GetCount() * 2);
    FileEntry* entry = entries.GetAt(static_cast<std::uint32_t>(entry_count));
    std::strncpy(entry->path, path, sizeof entry->path - 1);
    entry->path[sizeof entry->path - 1] = '\0';
    entry->kind = kind;
    ++entry_count;
}

void CFileSelectorPanel::Rescan() {
    if (mode == MODE_TITLE)
        return;
    CCriticalSectionLock hold(entry_lock);
    entry_count = 0;
    entries.RemoveAll();
    if (mode == MODE_FILES) {
        CFileList list;
        list.ListFolders(".\\", 1);
        for (std::uint32_t i = 0; i < list.GetCount(); ++i)
            AddEntry(list.GetAt(i)->GetBuffer(), ENTRY_FOLDER);
        list.ListMatching(".\\", "*.*", 1);
        for (std::uint32_t i = 0; i < list.GetCount(); ++i) {
            const char* name = list.GetAt(i)->GetBuffer();
            if (IsSongName(name))
                AddEntry(name, ENTRY_SONG);
            else if (UpperExtension(name) == ".TXT")
                AddEntry(name, ENTRY_TEXT);
        }
    } else {
        DWORD mask = GetLogicalDrives();
        for (int i = 0; i < 26; ++i) {
            if ((mask & (1u << i)) == 0)
                continue;
            char root[] = "?:\\";
            root[0] = static_cast<char>('A' + i);
            AddEntry(root, ENTRY_DRIVE);
        }
    }
    entries.SetSize(static_cast<std::uint32_t>(entry_count));
}

void CFileSelectorPanel::SetEntriesForTesting(int count) {
    CCriticalSectionLock hold(entry_lock);
    entry_count = 0;
    entries.RemoveAll();
    for (int i = 0; i < count; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "S%03d.MID", i);
        AddEntry(name, ENTRY_SONG);
    }
    entries.SetSize(static_cast<std::uint32_t>(entry_count));
    top_row = cursor_col = cursor_row = 0;
}

int CFileSelectorPanel::SetMode(SelectorMode new_mode, int force) {
    if (new_mode == mode && !force)
        return 0;
    SelectorMode old_mode = mode;
    mode = new_mode;
    if ((new_mode == MODE_FILES || new_mode == MODE_DRIVES) && old_mode != MODE_TITLE) {
        top_row = cursor_col = cursor_row = 0;
        Rescan();
    }
    Redraw();
    return 1;
}

int CFileSelectorPanel::ChangeDirectory(const char* path) {
    if (!SetCurrentDirectoryA(path)) {
        MessageBeep(0xFFFFFFFFu);
        return 0;
    }
    top_row = cursor_col = cursor_row = 0;
    return 1;
}

bool CFileSelectorPanel::ShowFolder(const std::string& folder) {
    if (!ChangeDirectory(folder.c_str()))
        return false;
    mode = MODE_FILES;
    Rescan();
    Redraw();
    return true;
}

void CFileSelectorPanel::FollowSong(const SongPlace& place) {
    if (mode == MODE_DRIVES || place.folder != CurrentDirectory())
        return;
    int found = -1;
    {
        CCriticalSectionLock hold(entry_lock);
        for (int i = 0; i < entry_count && found < 0; ++i) {
            const FileEntry* entry = entries.GetAt(static_cast<std::uint32_t>(i));
            if (entry->kind == ENTRY_SONG && place.name == entry->path)
                found = i;
        }
    }
    if (found < 0)
        return;
    // The grid scrolls no further than it must to show the song's row.
    const int row = found / kColumns;
    if (row < top_row)
        top_row = row;
    else if (row >= top_row + kRows)
        top_row = row - (kRows - 1);
    cursor_row = row - top_row;
    cursor_col = found % kColumns;
    Redraw();
}

int CFileSelectorPanel::MoveCursor(int dc, int dr) {
    int target = EntryIndex(cursor_col + dc, cursor_row + dr);
    bool single = (dc < 0 ? -dc : dc) + (dr < 0 ? -dr : dr) == 1;
    if (target == -2) {
        if (single)
            return 0;
        // The last entry, counted from the top of the list. A list longer
        // than the grid keeps it in view by scrolling below.
        top_row = 0;
        cursor_row = entry_count > 0 ? (entry_count - 1) / kColumns : 0;
        cursor_col = entry_count > 0 ? (entry_count - 1) % kColumns : 0;
    } else if (target == -1) {
        if (single)
            return 0;
        top_row = cursor_row = cursor_col = 0;
    } else {
        cursor_col += dc;
        cursor_row += dr;
    }
    if (cursor_col > 0) {
        cursor_row += cursor_col / kColumns;
        cursor_col %= kColumns;
    } else if (cursor_col < 0) {
        cursor_row += (cursor_col + 1) / kColumns - 1;
        cursor_col = 4 - ((-cursor_col - 1) % kColumns);
    }
    if (cursor_row < 0) {
        top_row += cursor_row;
        cursor_row = 0;
    }
    if (cursor_row > kRows - 1) {
        top_row += cursor_row - (kRows - 1);
        cursor_row = kRows - 1;
    }
    return 1;
}

void CFileSelectorPanel::EnterEntry() {
    int i = EntryIndex(cursor_col, cursor_row);
    if (i < 0)
        return;
    FileEntry entry = *entries.GetAt(static_cast<std::uint32_t>(i));
    switch (entry.kind) {
        case ENTRY_SONG: {
            WIN32_FIND_DATAA found;
            HANDLE search = FindFirstFileA(entry.path, &found);
            if (search == INVALID_HANDLE_VALUE)
                return;
            FindClose(search);
            StartSong(SongPlace{CurrentDirectory(), entry.path});
            break;
        }
        case ENTRY_TEXT:
            SetStatusMessage("LOADING TEXT...");
            DocumentViewerLoadText(entry.path);
            SetStatusMessage(nullptr);
            SetFocus(PANEL_ID_DOCUMENT_VIEWER);
            break;
        case ENTRY_FOLDER:
        case ENTRY_DRIVE:
            if (ChangeDirectory(entry.path))
                SetMode(MODE_FILES, 1);
            break;
    }
}

int CFileSelectorPanel::OnInput(InputEvent* event) {
    if (!event || event->message != WM_KEYDOWN)
        return 0;
    int dc = 0, dr = 0;
    switch (event->wParam) {
        case VK_BACK:
            if (mode == MODE_FILES && ChangeDirectory("..\\"))
                SetMode(MODE_FILES, 1);
            return 1;
        case VK_TAB:
            SetFocus(PANEL_ID_DOCUMENT_VIEWER);
            return 1;
        case VK_RETURN:
            if (mode == MODE_TITLE)
                return 0;
            EnterEntry();
            return 1;
        case VK_SPACE:
            if (mode == MODE_TITLE)
                SetMode(MODE_FILES, 0);
            else if (mode == MODE_FILES)
                SetMode(MODE_TITLE, 0);
            return 1;
        case 'L':
        case 0x6C:
            if (mode == MODE_FILES)
                SetMode(MODE_DRIVES, 0);
            else if (mode == MODE_DRIVES)
                SetMode(MODE_FILES, 0);
            return 1;
        case VK_PRIOR:
            dr = -4;
            break;
        case VK_NEXT:
            dr = 4;
            break;
        case VK_LEFT:
            dc = -1;
            break;
        case VK_UP:
            dr = -1;
            break;
        case VK_RIGHT:
            dc = 1;
            break;
        case VK_DOWN:
            dr = 1;
            break;
        default:
            return 1;
    }
    if (MoveCursor(dc, dr)) {
        if (mode == MODE_TITLE)
            SetMode(MODE_FILES, 0);
        Redraw();
    }
    return 1;
}

void CFileSelectorPanel::DrawTitle() {
    DrawTextFontA(&surface, 0, 1, "TITLE`", 1, 0);
    HDC dc = nullptr;
    if (!surface.surface || FAILED(surface.surface->GetDC(&dc)))
        return;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetPalette().GetEntry(2));
    HFONT font = CreateFontA(14, 0, 0, 0, 700, 0, 0, 0, DEFAULT_CHARSET, OUT_CHARACTER_PRECIS,
                             CLIP_CHARACTER_PRECIS, PROOF_QUALITY, VARIABLE_PITCH,
                             "\x82\x6c\x82\x72 \x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e");
    HGDIOBJ old_font = SelectObject(dc, font);
    const char* title = GetSequencer().GetTitle();
    TextOutA(dc, 2, 11, title, static_cast<int>(std::strlen(title)));
    SelectObject(dc, old_font);
    DeleteObject(font);
    surface.surface->ReleaseDC(dc);
    Commit();
}

void CFileSelectorPanel::DrawGrid() {
    if (mode == MODE_FILES) {
        char caption[32 + MAX_PATH] = "FILE SELECTOR` ";
        std::string directory = LegibleName(CurrentDirectory());
        for (char* c = directory.data(); *c; ++c) {
            if (platform::IsCp932LeadByte(static_cast<unsigned char>(*c)) && c[1]) {
                ++c;
                continue;
            }
            if (*c >= 'a' && *c <= 'z')
                *c = static_cast<char>(*c - 'a' + 'A');
        }
        std::strncat(caption, directory.c_str(), sizeof caption - std::strlen(caption) - 1);
        caption[kMaxTextBytes] = '\0';
        DrawTextFontA(&surface, 0, 1, caption, 1, 0);
    } else {
        char caption[] = "DRIVE SELECTOR` ?:";
        const std::string directory = CurrentDirectory();
        if (directory.size() >= 2)
            caption[16] = directory[0];
        DrawTextFontA(&surface, 0, 1, caption, 1, 0);
    }

    IDirectDrawSurface* image = surface.surface;
    int m = entry_count / kColumns - 4;
    if (m < 0)
        m = 0;
    int first = top_row * 16 / (m + 5);
    int last = (top_row * 16 + 80) / (m + 5);
    for (int i = 0; i < 16; ++i)
        FillRect(image, 613, 15 + 3 * i, 625, 17 + 3 * i, first <= i && i <= last ? 2 : 3);

    CCriticalSectionLock hold(entry_lock);
    for (int col = 0; col < kColumns; ++col) {
        for (int row = 0; row < kRows; ++row) {
            int i = EntryIndex(col, row);
            if (i < 0)
                continue;
            char label[MAX_PATH + 8];
            FormatEntryLabel(*entries.GetAt(static_cast<std::uint32_t>(i)), label, sizeof label);
            RECT cell = CellRect(col, row);
            bool cursor = col == cursor_col && row == cursor_row;
            DrawTextFontB(&surface, cell.left, cell.top, label, 1, cursor ? 0 : 1);
            if (cursor)
                DrawLine(image, cell.left, cell.bottom - 2, cell.right, cell.bottom - 2, 21);
        }
    }
}

void CFileSelectorPanel::Redraw() {
    IDirectDrawSurface* image = surface.surface;
    if (!image)
        return;
    FillRect(image, 0, 0, kSelectorWidth_px, kSelectorHeight_px, 0);
    HalftoneRect(image, 0, 10, kSelectorWidth_px, kSelectorHeight_px, 6);
    DrawLine(image, 0, 8, kSelectorWidth_px, 8, 5);
    if (mode == MODE_TITLE) {
        DrawTitle();
        return;
    }
    DrawGrid();
    Commit();
}
