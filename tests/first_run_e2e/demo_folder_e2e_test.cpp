// A new user's first minute: the program starts in demo/, and every song the
// selector lists there (and in its sub-folder) loads and plays through the
// MIDI log; the song with a companion text shows it in the viewer.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/support/indexed_png.h"
#include "tests/support/midi_log.h"
#include "tests/support/nivra_process.h"
#include "selector_script.h"

namespace fs = std::filesystem;

namespace {

const fs::path kDemo = NIVRA_SOURCE_DIR "/demo";
constexpr std::uint8_t kViewerText = 240;  // the viewer's own white
constexpr int kViewerLeft = 10, kViewerRight = 630;
constexpr int kFirstTextRow = 36 + 10, kRowPitch = 15, kViewerBottom = 460;

bool IsSong(const std::string& name) {
    std::string extension = fs::path(name).extension().string();
    for (char& c : extension)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return extension == ".MID" || extension == ".RCP";
}

bool ConverterPresent() {
    return fs::exists(NIVRA_BINARY_DIR "/librcpcv.so");
}

// The songs of one folder, in grid order.
std::vector<std::string> PlayableSongs(const std::vector<std::string>& entries) {
    std::vector<std::string> songs;
    for (const std::string& name : entries) {
        if (IsSong(name))
            songs.push_back(name);
    }
    return songs;
}

// The log cut at every "open": one piece per song loaded, in order.
std::vector<std::vector<e2e::MidiLogLine>> PiecesPerOpen(const std::vector<e2e::MidiLogLine>& log) {
    std::vector<std::vector<e2e::MidiLogLine>> pieces;
    for (const e2e::MidiLogLine& line : log) {
        if (line.action == "open")
            pieces.emplace_back();
        if (!pieces.empty())
            pieces.back().push_back(line);
    }
    return pieces;
}

bool IsSystemOn(const e2e::MidiLogLine& line) {
    return line.bytes == std::vector<std::uint8_t>{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
}

// A log piece's first lines, for a failure message.
std::string Describe(const std::vector<e2e::MidiLogLine>& piece) {
    std::string text;
    for (size_t i = 0; i < piece.size() && i < 12; ++i) {
        text += std::to_string(piece[i].micros) + " " + piece[i].action + piece[i].argument;
        for (std::uint8_t byte : piece[i].bytes)
            text += " " + std::to_string(byte);
        text += "\n";
    }
    return text;
}

class DemoFolderRun : public ::testing::Test {
protected:
    struct Played {
        std::string name;  // "SAKURA.MID", "MORE/GROOVE.MID"
        fs::path shot;     // the viewer while the song plays
    };

    // Plays every song of the folder the cursor is in; returns with the
    // cursor on `cursor`.
    void PlayFolder(support::KeyScript& script, const fs::path& folder, const std::string& prefix,
                    int& cursor) {
        const std::vector<std::string> entries = support::SelectorEntries(folder);
        for (const std::string& song : PlayableSongs(entries)) {
            const int index = support::IndexOf(entries, song);
            script.MoveCursor(cursor, index);
            cursor = index;
            script.Key("RETURN").AwaitSongStart();
            script.Wait(1400);
            // The viewer holds the song's companion text, or nothing.
            script.Key("TAB");
            const fs::path shot = scratch_ / (fs::path(prefix + song).filename().string() + ".png");
            script.Shot(shot, 700);
            script.Key("TAB");
            script.Wait(500);
            played_.push_back({prefix + song, shot});
        }
    }

    e2e::ScratchFolder scratch_{"nivra-first-run"};
    std::vector<Played> played_;
};

TEST_F(DemoFolderRun, EverySongPlaysAndTheCompanionTextShowsInTheViewer) {
    ASSERT_TRUE(ConverterPresent()) << "the demo's RCP song needs librcpcv.so beside nivra";
    support::KeyScript script(1300);  // after the fade-in
    int cursor = 0;
    PlayFolder(script, kDemo, "", cursor);
    const std::vector<std::string> top = support::SelectorEntries(kDemo);
    script.MoveCursor(cursor, support::IndexOf(top, "MORE"));
    script.Key("RETURN");
    script.Wait(300);
    int inner_cursor = 0;
    PlayFolder(script, kDemo / "MORE", "MORE/", inner_cursor);
    script.Key("ESCAPE");

    ASSERT_EQ(played_.size(), 8u) << "the demo folder's songs changed";
    e2e::RunOptions options;
    options.script = script.Lines();
    options.timeout_seconds = script.Now() / 1000 + 30;
    e2e::NivraProcess nivra(options);
    ASSERT_EQ(nivra.WaitForExit(), 0) << nivra.Stderr();
    // The program's own complaints: a key line not understood, a file or
    // SoundFont it cannot read or write, text it cannot draw for want of a font.
    const std::string complaints = nivra.Stderr();
    for (const char* complaint : {"cannot", "not understood", "will not be drawn"})
        EXPECT_EQ(complaints.find(complaint), std::string::npos) << complaints;

    // Each song opens the device once, resets it, sends System On and notes.
    const auto pieces = PiecesPerOpen(e2e::ReadMidiLog(nivra.MidiLogPath()));
    ASSERT_EQ(pieces.size(), played_.size()) << "a song failed to load\n" << nivra.Stderr();
    for (size_t i = 0; i < played_.size(); ++i) {
        SCOPED_TRACE(played_[i].name);
        const auto& piece = pieces[i];
        EXPECT_GE(e2e::CountActions(piece, "reset"), 1);
        const auto system_on = std::find_if(piece.begin(), piece.end(), IsSystemOn);
        ASSERT_NE(system_on, piece.end()) << Describe(piece);
        const auto notes = e2e::NoteOns(piece);
        ASSERT_GE(notes.size(), 3u) << "too few notes in 1.4 s";
        EXPECT_GE(notes.front().micros, system_on->micros);
    }

    for (const Played& song : played_) {
        SCOPED_TRACE(song.name);
        const e2e::IndexedImage shot = e2e::ReadIndexedPng(song.shot);
        ASSERT_TRUE(shot.Valid());
        const int text =
            shot.Count(kViewerText, kViewerLeft, kFirstTextRow, kViewerRight, kViewerBottom);
        if (song.name != "SAKURA.MID") {
            EXPECT_EQ(text, 0) << "a song without companion text left text in the viewer";
            continue;
        }
        EXPECT_GT(text, 2000) << "SAKURA.TXT is not in the viewer";
        // Its first line (the Japanese title) is drawn; its third line is empty.
        auto row = [&](int line) {
            const int top = kFirstTextRow + kRowPitch * line;
            return shot.Count(kViewerText, kViewerLeft, top, kViewerRight, top + kRowPitch);
        };
        EXPECT_GT(row(0), 100);
        EXPECT_GT(row(1), 100);
        EXPECT_EQ(row(2), 0);
    }
}

}  // namespace
