// Shared parts of the browsing end-to-end tests: a scene folder the program
// starts in, a key script with its screenshots, the places of the selector's
// cells and the status bar on screen, and small songs written as bytes.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/browsing_e2e/screen_text.h"
#include "tests/support/indexed_png.h"
#include "tests/support/midi_log.h"
#include "tests/support/nivra_process.h"
#include "tests/support/key_script.h"
#include "tests/support/selector_order.h"
#include "tests/midi/song_bytes.h"

namespace browsing_e2e {

namespace fs = std::filesystem;

// Screen places: the selector's panel at (5, 390), its grid cells at
// (2 + 120 col, 13 + 10 row) inside it; the status message at (1, 8) of
// the status bar at (5, 457).
inline constexpr int kGridColumns = 5;
inline constexpr int kGridRows = 5;
inline constexpr int kLabelCells = 17;
inline constexpr std::uint8_t kCursorIndex = 1;  // colour band 0
inline constexpr std::uint8_t kLabelIndex = 2;   // colour band 1
inline constexpr std::uint8_t kUnderlineIndex = 21;

inline int CellX(int col) {
    return 5 + 2 + 120 * col;
}
inline int CellY(int row) {
    return 390 + 13 + 10 * row;
}

// The label of grid cell (col, row), in cursor or plain colour.
inline std::string CellLabel(const e2e::IndexedImage& image, int col, int row) {
    const ScreenText& reader = ScreenText::Get();
    std::string plain =
        reader.Read(image, Font::B, CellX(col), CellY(row), kLabelCells, kLabelIndex);
    if (!plain.empty())
        return plain;
    return reader.Read(image, Font::B, CellX(col), CellY(row), kLabelCells, kCursorIndex);
}

// All 25 labels in list order (row by row), empty for empty cells.
inline std::vector<std::string> GridLabels(const e2e::IndexedImage& image) {
    std::vector<std::string> labels;
    for (int row = 0; row < kGridRows; ++row)
        for (int col = 0; col < kGridColumns; ++col)
            labels.push_back(CellLabel(image, col, row));
    return labels;
}

// The list position (row * 5 + col) of the underlined cell, -1 when none.
inline int CursorCell(const e2e::IndexedImage& image) {
    for (int row = 0; row < kGridRows; ++row)
        for (int col = 0; col < kGridColumns; ++col)
            if (image.Count(kUnderlineIndex, CellX(col), CellY(row) + 9, CellX(col) + 120,
                            CellY(row) + 10) > 100)
                return row * kGridColumns + col;
    return -1;
}

// "FILE SELECTOR` C:\...", "DRIVE SELECTOR` C:" or "TITLE`".
inline std::string SelectorCaption(const e2e::IndexedImage& image) {
    return ScreenText::Get().Read(image, Font::A, 5, 391, 126, kCursorIndex);
}

inline std::string StatusMessage(const e2e::IndexedImage& image) {
    return ScreenText::Get().Read(image, Font::B, 6, 465, 89, kLabelIndex);
}

// The selector's caption, in font A, as the font shows it.
inline std::string CaptionAsShown(const std::string& text) {
    return ScreenText::Get().AsShown(text, Font::A);
}

// A folder's path as the program names it on drive C: ("C:\\TMP\\A").
inline std::string DrivePath(const fs::path& folder) {
    std::string path = "C:" + folder.string();
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

// The document viewer's image at (10, 36), 620 x 424, drawn in index 240;
// its lines from (5, 10) on, 15 pixels apart.
inline constexpr std::uint8_t kDocumentIndex = 240;
inline constexpr int kViewerLeft = 10, kViewerTop = 36, kViewerRight = 630, kViewerBottom = 460;

// "0012/0153": the viewer's first line shown and the last first line.
inline std::string ViewerPosition(const e2e::IndexedImage& image) {
    return ScreenText::Get().Read(image, Font::B, kViewerLeft + 550, kViewerTop, 11,
                                  kDocumentIndex);
}

// The pixels of the viewer's text line `line` (0 the top one on screen).
inline int LineInk(const e2e::IndexedImage& image, int line) {
    const int top = kViewerTop + 10 + 15 * line;
    return image.Count(kDocumentIndex, kViewerLeft + 5, top, kViewerRight, top + 15);
}

// The caption of the file mode for a folder on drive C:, as the font shows it.
inline std::string FilesCaption(const fs::path& folder) {
    return CaptionAsShown("FILE SELECTOR` " + DrivePath(folder));
}

// What the selector lists for a folder of plain ASCII names: ".", "..",
// the folders, then songs and texts, each group in the folder's own order,
// as the labels the grid shows (marker, "/" before a folder, 17 cells).
inline std::vector<std::string> ExpectedLabels(const fs::path& folder) {
    std::vector<std::string> folders = {".", ".."};
    std::vector<std::string> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_directory())
            folders.push_back(name[0] == '.' ? name : "/" + name);
        if (const char marker = support::SongMarker(entry.path()))
            files.push_back(marker + name);
        else if (support::ListedAsFile(entry.path()))
            files.push_back(" " + name);
    }
    folders.insert(folders.end(), files.begin(), files.end());
    for (std::string& label : folders)
        label = AsShown(label.substr(0, kLabelCells));
    return folders;
}

// Every path below a folder with its size, to show that a run wrote nothing.
inline std::vector<std::string> FolderContents(const fs::path& folder) {
    std::vector<std::string> contents;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(
             folder, fs::directory_options::skip_permission_denied, error);
         it != fs::recursive_directory_iterator(); it.increment(error)) {
        std::string line = fs::relative(it->path(), folder).string();
        if (it->is_regular_file(error))
            line += " " + std::to_string(it->file_size(error));
        contents.push_back(line);
    }
    std::sort(contents.begin(), contents.end());
    return contents;
}

// A one-track song: its title, then each note for 48 ticks at 96 per beat.
inline std::string SongBytes(const std::string& title, const std::vector<int>& notes) {
    song_bytes::Bytes events = {0x00, 0xFF, 0x03, static_cast<std::uint8_t>(title.size())};
    events.insert(events.end(), title.begin(), title.end());
    for (int note : notes) {
        const auto key = static_cast<std::uint8_t>(note);
        events.insert(events.end(), {0x00, 0x90, key, 0x64, 0x30, 0x80, key, 0x00});
    }
    events.insert(events.end(), song_bytes::kEndOfTrack.begin(), song_bytes::kEndOfTrack.end());
    song_bytes::Bytes song = song_bytes::Song(96, {events}, 0);
    return std::string(song.begin(), song.end());
}

// The note numbers of the note-on messages in a MIDI log.
inline std::vector<int> LoggedNotes(const fs::path& log) {
    std::vector<int> notes;
    for (const e2e::MidiLogLine& line : e2e::NoteOns(e2e::ReadMidiLog(log)))
        notes.push_back(line.bytes[1]);
    return notes;
}

// Keys and screenshots on one time line. The first key waits for the
// fade-in; each screenshot waits long enough for the keys before it to be
// handled and drawn, also on a loaded machine.
class KeyScript {
public:
    explicit KeyScript(const fs::path& shot_folder) : shot_folder_(shot_folder) {}

    KeyScript& Press(const std::string& key, int times = 1) {
        script_.Keys(key, times);
        return *this;
    }
    KeyScript& Move(int from, int to) {
        script_.Steps(from, to);
        return *this;
    }
    KeyScript& Wait(int ms) {
        script_.Wait(ms);
        return *this;
    }
    // What follows waits for the song chosen to start, however slow the load.
    KeyScript& AwaitSongStart() {
        script_.AwaitSongStart();
        return *this;
    }
    KeyScript& Shot(const std::string& name) {
        script_.Shot(shot_folder_ / name, kKeyGap_ms + kSettle_ms);
        return *this;
    }
    // A script line as it stands ("SHOT here.png").
    KeyScript& Line(const std::string& what) {
        script_.Key(what);
        return *this;
    }
    // The script with Escape at its end.
    std::vector<e2e::ScriptLine> Lines() const {
        support::KeyScript ended = script_;
        ended.Key("ESCAPE", 2 * kKeyGap_ms);
        return ended.Lines();
    }

private:
    static constexpr int kKeyGap_ms = 60;
    static constexpr int kSettle_ms = 500;
    fs::path shot_folder_;
    support::KeyScript script_{1500 - kKeyGap_ms, kKeyGap_ms};
};

// A scene folder to browse and a folder for the screenshots of one run.
class BrowsingTest : public ::testing::Test {
protected:
    KeyScript Script() const { return KeyScript(shots_.Path()); }

    // Runs the program in the scene folder until the script's Escape; the
    // run must end normally.
    std::unique_ptr<e2e::NivraProcess> Run(const KeyScript& script) {
        return RunWithChange(script, 0, [] {});
    }

    // As Run, with `change` made to the files `change_ms` after the start,
    // while the program runs.
    template <typename Change>
    std::unique_ptr<e2e::NivraProcess> RunWithChange(const KeyScript& script, int change_ms,
                                                     Change change) {
        e2e::RunOptions options;
        options.bound_by_permissions = true;
        options.working_folder = start_folder_.empty() ? scene_.Path() : start_folder_;
        options.arguments = arguments_;
        options.script = script.Lines();
        options.timeout_seconds = 60;
        auto process = std::make_unique<e2e::NivraProcess>(options);
        if (change_ms > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(change_ms));
        change();
        EXPECT_EQ(process->WaitForExit(), 0) << process->Stderr();
        return process;
    }

    // A screenshot of the run; a missing one fails the test and reads as a
    // black screen, so the checks that follow fail without reading past it.
    e2e::IndexedImage Shot(const std::string& name) const {
        e2e::IndexedImage image = e2e::ReadIndexedPng(shots_ / name);
        if (image.Valid())
            return image;
        ADD_FAILURE() << name << " was not written";
        image.width = 640;
        image.height = 480;
        image.indices.assign(640 * 480, 0);
        return image;
    }

    e2e::ScratchFolder scene_{"nivra-browse"};
    fs::path start_folder_;               // where the program starts; the scene when empty
    std::vector<std::string> arguments_;  // the program's command line
    e2e::ScratchFolder shots_{"nivra-shots"};
};

}  // namespace browsing_e2e
