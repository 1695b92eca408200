// Names the program's code page cannot hold: every entry the selector lists
// opens or enters again, whatever bytes its name has on disk.
#include "tests/browsing_e2e/browsing_run.h"

namespace browsing_e2e {
namespace {

const std::string kEmojiFolder = "\xF0\x9F\x8E\xB5 music";  // a musical note and a space
const std::string kAccentedSong = "caf\xC3\xA9.mid";        // an e with an acute accent
const std::string kLongSong = std::string(251, 'a') + ".mid";

// 83 Korean syllables: 253 bytes on disk, far longer once escaped.
std::string LongKoreanName(const std::string& extension) {
    std::string name;
    for (int i = 0; i < 83; ++i)
        name += "\xEA\xB0\x80";
    return name + extension;
}

class OddNamesTest : public BrowsingTest {};

TEST_F(OddNamesTest, AnEmojiFolderEntersAndAnAccentedSongInItPlays) {
    scene_.MakeFolder(kEmojiFolder);
    scene_.MakeFolder("PLAIN");
    scene_.WriteFile(kEmojiFolder + "/" + kAccentedSong, SongBytes("CAFE", {65, 69}));
    scene_.WriteFile(kEmojiFolder + "/OTHER.TXT", "x\n");
    const fs::path inside = scene_ / kEmojiFolder;
    const int folder = support::SelectorIndex(scene_.Path(), kEmojiFolder);
    const int song = support::SelectorIndex(inside, kAccentedSong);
    ASSERT_GE(folder, 2);
    ASSERT_GE(song, 2);

    KeyScript script = Script();
    script.Move(0, folder);
    script.Shot("listed.png").Press("RETURN").Shot("inside.png");
    script.Move(0, song);
    script.Press("RETURN")
        .AwaitSongStart()
        .Wait(1000)
        .Shot("played.png")
        .Press("BACK")
        .Shot("back.png");
    auto run = Run(script);

    // Bytes outside the code page are named %XX; the font has no "%", so a
    // run of them is drawn as its hex digits in parentheses.
    e2e::IndexedImage listed = Shot("listed.png");
    EXPECT_EQ(CellLabel(listed, folder % 5, folder / 5),
              AsShown(std::string("/(F09F8EB5) MUSIC").substr(0, kLabelCells)));

    e2e::IndexedImage in_folder = Shot("inside.png");
    EXPECT_EQ(SelectorCaption(in_folder),
              CaptionAsShown("FILE SELECTOR` " + DrivePath(scene_.Path()) + "\\(F09F8EB5) MUSIC"));
    EXPECT_EQ(CellLabel(in_folder, song % 5, song / 5), AsShown("\xB1"
                                                                "CAF(C3A9).MID"));

    EXPECT_EQ(LoggedNotes(run->MidiLogPath()), (std::vector<int>{65, 69}));
    e2e::IndexedImage played = Shot("played.png");
    EXPECT_EQ(StatusMessage(played), "MIDI PLAYER NIVRA");

    e2e::IndexedImage back = Shot("back.png");
    EXPECT_EQ(SelectorCaption(back), FilesCaption(scene_.Path()));
}

TEST_F(OddNamesTest, EverySongWithAnOddNamePlaysAndAnAccentedTextOpens) {
    // Each song plays its own note, so the log tells which ones opened.
    const std::vector<std::pair<std::string, int>> songs = {
        {"\xFF\xFE not utf-8.mid", 60},  // bytes that are not UTF-8
        {kLongSong, 61},                 // the longest name a folder holds
        {"\xE6\x9B\xB2.mid", 62},        // a kanji the code page has
        {"100%41.mid", 63},              // a literal percent before hex digits
        {"back\\slash.mid", 64},         // a Win32 separator inside a name
        {"colon:name.mid", 65},          // a Win32 drive mark inside a name
        {"tab\there.MID", 66},           // a control byte
        {"ma\xC3\xB1"
         "ana \xE2\x82\xAC.mid",
         67},                          // n with a tilde, a euro sign
        {LongKoreanName(".mid"), 68},  // shortened to be shown
    };
    for (const auto& [name, note] : songs)
        scene_.WriteFile(name, SongBytes("ODD", {note}));
    const std::string text = "r\xC3\xA9sum\xC3\xA9.txt";
    scene_.WriteFile(text, "ACCENTED TEXT\r\n");

    // Visit them in list order.
    std::vector<std::pair<int, int>> visits;  // list position, note
    for (const auto& [name, note] : songs) {
        const int position = support::SelectorIndex(scene_.Path(), name);
        ASSERT_GE(position, 0) << name;
        visits.emplace_back(position, note);
    }
    std::sort(visits.begin(), visits.end());
    const int text_position = support::SelectorIndex(scene_.Path(), text);
    KeyScript script = Script();
    int at = 0;
    for (const auto& [position, note] : visits) {
        script.Move(at, position);
        // Long enough for a slow (sanitized, busy) run to load and start it.
        script.Press("RETURN").Wait(900);
        at = position;
    }
    script.Move(at, text_position);
    script.Press("RETURN").Wait(1000).Shot("text.png").Press("TAB").Wait(800).Shot("grid.png");
    auto run = Run(script);

    std::vector<int> expected_notes;
    for (const auto& visit : visits)
        expected_notes.push_back(visit.second);
    EXPECT_EQ(LoggedNotes(run->MidiLogPath()), expected_notes);

    e2e::IndexedImage text_shot = Shot("text.png");
    EXPECT_GT(LineInk(text_shot, 0), 30) << "the accented text did not open";

    e2e::IndexedImage grid = Shot("grid.png");
    const int long_position = support::SelectorIndex(scene_.Path(), kLongSong);
    EXPECT_EQ(CellLabel(grid, long_position % 5, long_position / 5),
              AsShown("\xB1" + kLongSong.substr(0, 16)));
    // A literal percent is escaped itself and drawn as (25).
    const int percent_position = support::SelectorIndex(scene_.Path(), "100%41.mid");
    EXPECT_EQ(CellLabel(grid, percent_position % 5, percent_position / 5),
              AsShown("\xB1"
                      "100(25)41.MID"));
    EXPECT_EQ(StatusMessage(grid), "MIDI PLAYER NIVRA");
}

}  // namespace
}  // namespace browsing_e2e
