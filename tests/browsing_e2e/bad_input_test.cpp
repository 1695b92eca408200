// Bad input in the real program: entries that vanish after the listing,
// folders that cannot be read, a current folder that is deleted, entries of
// the wrong kind and a huge binary text. Nothing crashes or hangs, the
// screen says what the selector does, and no file is written.
#include <sys/stat.h>
#include <unistd.h>

#include <random>

#include "tests/browsing_e2e/browsing_run.h"

namespace browsing_e2e {
namespace {

// When the files change during a run: the listing is on screen well before.
constexpr int kChange_ms = 3000;
constexpr int kAfterChange_ms = 2000;

class BadInputTest : public BrowsingTest {};

TEST_F(BadInputTest, EntriesThatVanishedAfterTheListing) {
    scene_.WriteFile("GONE.MID", SongBytes("GONE", {60}));
    scene_.WriteFile("GONE.TXT", "gone\n");
    scene_.MakeFolder("GONE");
    scene_.WriteFile("STAYS.MID", SongBytes("STAYS", {64}));
    const int folder = support::SelectorIndex(scene_.Path(), "GONE");
    const int song = support::SelectorIndex(scene_.Path(), "GONE.MID");
    const int text = support::SelectorIndex(scene_.Path(), "GONE.TXT");
    const int stays = support::SelectorIndex(scene_.Path(), "STAYS.MID");
    const std::vector<std::string> before = ExpectedLabels(scene_.Path());

    KeyScript script = Script();
    script.Shot("listed.png").Wait(kChange_ms + kAfterChange_ms - 2000);
    script.Move(0, folder);
    script.Press("RETURN").Shot("folder.png");
    script.Move(folder, song);
    script.Press("RETURN").Shot("song.png");
    script.Move(song, text);
    script.Press("RETURN").Wait(800).Shot("text.png").Press("TAB").Wait(800);
    script.Move(text, stays);
    script.Press("RETURN").Wait(800).Shot("stays.png");
    auto run = RunWithChange(script, kChange_ms, [&] {
        fs::remove(scene_ / "GONE.MID");
        fs::remove(scene_ / "GONE.TXT");
        fs::remove(scene_ / "GONE");
    });

    e2e::IndexedImage listed = Shot("listed.png");
    std::vector<std::string> labels = GridLabels(listed);
    EXPECT_EQ(std::vector<std::string>(labels.begin(), labels.begin() + before.size()), before);

    // A folder that cannot be entered: a beep, and list, cursor and mode stay.
    e2e::IndexedImage folder_shot = Shot("folder.png");
    EXPECT_EQ(SelectorCaption(folder_shot), FilesCaption(scene_.Path()));
    EXPECT_EQ(GridLabels(folder_shot), labels);
    EXPECT_EQ(CursorCell(folder_shot), folder);

    // A song that vanished: nothing happens, not even a message.
    e2e::IndexedImage song_shot = Shot("song.png");
    EXPECT_EQ(StatusMessage(song_shot), "MIDI PLAYER NIVRA");

    // A text that vanished: the viewer opens on an empty document.
    e2e::IndexedImage text_shot = Shot("text.png");
    EXPECT_EQ(ViewerPosition(text_shot), "0000/0000");
    EXPECT_EQ(LineInk(text_shot, 0), 0);

    // Only the song that is still there played.
    EXPECT_EQ(LoggedNotes(run->MidiLogPath()), (std::vector<int>{64}));
    e2e::IndexedImage stays_shot = Shot("stays.png");
    EXPECT_EQ(StatusMessage(stays_shot), "MIDI PLAYER NIVRA");
}

TEST_F(BadInputTest, TheCurrentFolderIsDeletedWhileItIsShown) {
    scene_.MakeFolder("DOOMED/DEEPER");
    const int doomed = support::SelectorIndex(scene_.Path(), "DOOMED");
    KeyScript script = Script();
    script.Move(0, doomed);
    script.Press("RETURN").Shot("inside.png").Wait(kChange_ms + kAfterChange_ms - 2200);
    script.Press("DOWN").Shot("deleted.png").Press("BACK").Shot("up.png");
    auto run = RunWithChange(script, kChange_ms, [&] { fs::remove_all(scene_ / "DOOMED"); });

    e2e::IndexedImage inside = Shot("inside.png");
    EXPECT_EQ(SelectorCaption(inside), FilesCaption(scene_ / "DOOMED"));
    // Backspace still leads out of a folder that no longer exists.
    e2e::IndexedImage up = Shot("up.png");
    EXPECT_EQ(SelectorCaption(up), FilesCaption(scene_.Path()));
    std::vector<std::string> labels = GridLabels(up);
    EXPECT_EQ(labels[0], ".");
    EXPECT_EQ(labels[1], "..");
}

TEST_F(BadInputTest, FoldersThatCannotBeReadOrEntered) {
    if (!e2e::PermissionsCanBindPrograms())
        GTEST_SKIP() << "folder permissions cannot bind a program started here";
    scene_.MakeFolder("LOCKED");
    scene_.MakeFolder("BLIND");  // may be entered but not read
    scene_.WriteFile("BLIND/HIDDEN.MID", SongBytes("HIDDEN", {60}));
    chmod((scene_ / "LOCKED").c_str(), 0);
    chmod((scene_ / "BLIND").c_str(), S_IXUSR);
    const int locked = support::SelectorIndex(scene_.Path(), "LOCKED");
    const int blind = support::SelectorIndex(scene_.Path(), "BLIND");
    KeyScript script = Script();
    script.Move(0, locked);
    script.Press("RETURN").Shot("locked.png");
    script.Move(locked, blind);
    script.Press("RETURN").Shot("blind.png").Press("RETURN").Press("BACK").Shot("back.png");
    auto run = Run(script);
    chmod((scene_ / "LOCKED").c_str(), S_IRWXU);
    chmod((scene_ / "BLIND").c_str(), S_IRWXU);

    e2e::IndexedImage locked_shot = Shot("locked.png");
    EXPECT_EQ(SelectorCaption(locked_shot), FilesCaption(scene_.Path()));
    EXPECT_EQ(CursorCell(locked_shot), locked);

    // Entered but unreadable: an empty grid, and Backspace still leads out.
    e2e::IndexedImage blind_shot = Shot("blind.png");
    EXPECT_EQ(SelectorCaption(blind_shot), FilesCaption(scene_ / "BLIND"));
    EXPECT_EQ(CellLabel(blind_shot, 0, 0), "");
    e2e::IndexedImage back = Shot("back.png");
    EXPECT_EQ(SelectorCaption(back), FilesCaption(scene_.Path()));
    EXPECT_TRUE(LoggedNotes(run->MidiLogPath()).empty());
}

TEST_F(BadInputTest, EntriesOfTheWrongKindAndAHugeBinaryTextWriteNothing) {
    scene_.MakeFolder("FOLDER.MID");  // listed as a song too
    scene_.MakeFolder("FOLDER.TXT");  // listed as a text too
    std::mt19937 random(7);
    std::string binary(20u << 20, '\0');
    for (char& byte : binary)
        byte = static_cast<char>(random() % 7 == 0 ? 0 : random());
    scene_.WriteFile("BINARY.TXT", binary);
    binary.clear();
    const std::vector<std::string> files_before = FolderContents(scene_.Path());
    const std::vector<std::string> labels = ExpectedLabels(scene_.Path());
    const int song = static_cast<int>(std::find(labels.begin(), labels.end(),
                                                AsShown("\xB1"
                                                        "FOLDER.MID")) -
                                      labels.begin());
    const int text = static_cast<int>(
        std::find(labels.begin(), labels.end(), AsShown(" FOLDER.TXT")) - labels.begin());
    const int huge = support::SelectorIndex(scene_.Path(), "BINARY.TXT");
    ASSERT_LT(song, static_cast<int>(labels.size()));
    ASSERT_LT(text, static_cast<int>(labels.size()));

    KeyScript script = Script();
    script.Move(0, song);
    script.Press("RETURN").Wait(300).Shot("song.png");
    script.Move(song, text);
    script.Press("RETURN").Wait(800).Shot("text.png").Press("TAB").Wait(800);
    script.Move(text, huge);
    script.Press("RETURN").Wait(1500).Shot("huge.png").Press("NEXT", 3).Shot("paged.png");
    script.Press("TAB").Wait(800);
    auto run = Run(script);

    e2e::IndexedImage song_shot = Shot("song.png");
    EXPECT_EQ(StatusMessage(song_shot), "FILE OPEN ERROR");
    e2e::IndexedImage text_shot = Shot("text.png");
    EXPECT_EQ(ViewerPosition(text_shot), "0000/0000");

    // The binary text shows as lines of at most 80 bytes, and scrolls.
    e2e::IndexedImage huge_shot = Shot("huge.png");
    const std::string position = ViewerPosition(huge_shot);
    ASSERT_GE(position.size(), 9u);
    EXPECT_EQ(position.substr(0, 5), "0000/");
    EXPECT_GT(std::stoi(position.substr(5)), 1000);
    e2e::IndexedImage paged = Shot("paged.png");
    EXPECT_EQ(ViewerPosition(paged).substr(0, 5), "0045/");

    EXPECT_EQ(FolderContents(scene_.Path()), files_before);
}

}  // namespace
}  // namespace browsing_e2e
