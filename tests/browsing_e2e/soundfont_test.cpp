// SoundFonts in the real program: --list-soundfonts marks those in use, F10
// puts another on top while a song plays (its state is sent again and the
// choice is kept), and a song's own SoundFont is used for its folder's songs
// and dropped after them.
#include "tests/browsing_e2e/browsing_run.h"
#include "tests/support/tiny_soundfont.h"

namespace browsing_e2e {
namespace {

using support::TinySoundFont;

constexpr int kListLeft = 15, kListTop = 416, kListLineHeight = 9, kListCells = 60;

// The four lines of the SoundFont list on screen, as drawn (cursor line too).
std::vector<std::string> SoundFontLines(const e2e::IndexedImage& image) {
    std::vector<std::string> lines;
    for (int i = 0; i < 4; ++i) {
        const int y = kListTop + kListLineHeight * i;
        std::string line = ScreenText::Get().Read(image, Font::B, kListLeft, y, kListCells, 2);
        if (line.empty())
            line = ScreenText::Get().Read(image, Font::B, kListLeft, y, kListCells, 1);
        lines.push_back(line);
    }
    return lines;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& text) {
    return std::find(lines.begin(), lines.end(), text) != lines.end();
}

class SoundFontRunTest : public BrowsingTest {
protected:
    SoundFontRunTest() {
        data_.WriteFile("soundfonts/BASE.sf2", TinySoundFont::Bytes("BASE"));
        data_.WriteFile("soundfonts/ZZTOP.sf2", TinySoundFont::Bytes("ZZTOP"));
    }

    e2e::RunOptions Options(const std::vector<std::string>& arguments) const {
        e2e::RunOptions options;
        options.working_folder = scene_.Path();
        options.arguments = arguments;
        options.timeout_seconds = 60;
        options.extra_environment = {{"XDG_DATA_HOME", data_.Path().string()},
                                     {"XDG_DATA_DIRS", (data_ / "none").string()},
                                     {"NIVRA_SOUNDFONT", (data_ / "soundfonts/BASE.sf2").string()}};
        return options;
    }

    std::unique_ptr<e2e::NivraProcess> RunScript(const KeyScript& script,
                                                 const std::vector<std::string>& arguments) {
        e2e::RunOptions options = Options(arguments);
        options.script = script.Lines();
        auto process = std::make_unique<e2e::NivraProcess>(options);
        EXPECT_EQ(process->WaitForExit(), 0) << process->Stderr();
        return process;
    }

    e2e::ScratchFolder data_{"nivra-data"};
};

TEST_F(SoundFontRunTest, ListMarksTheSoundFontsInUse) {
    const std::string base = (data_ / "soundfonts/BASE.sf2").string();
    const std::string top = (data_ / "soundfonts/ZZTOP.sf2").string();
    e2e::NivraProcess pinned(Options({"--no-config", "--list-soundfonts"}));
    ASSERT_EQ(pinned.WaitForExit(), 0) << pinned.Stderr();
    EXPECT_NE(pinned.Stdout().find("* " + base + "\n  " + top + "\n"), std::string::npos)
        << pinned.Stdout();
    // The command line's stack wins over NIVRA_SOUNDFONT.
    e2e::NivraProcess chosen(
        Options({"--no-config", "--soundfont=" + top, "--soundfont", base, "--list-soundfonts"}));
    ASSERT_EQ(chosen.WaitForExit(), 0) << chosen.Stderr();
    EXPECT_NE(chosen.Stdout().find("* " + base + "\n* " + top + "\n"), std::string::npos)
        << chosen.Stdout();
}

TEST_F(SoundFontRunTest, F10PutsASoundFontOnTopWhileTheSongPlaysAndTheChoiceIsKept) {
    std::vector<int> notes(40, 60);
    scene_.WriteFile("LONG.MID", SongBytes("LONG", notes));
    KeyScript script = Script();
    // The cursor starts on the top of the stack; the last entry is ZZTOP.
    script.Press("F10").Press("DOWN", 20).Press("RETURN");
    script.Shot("chosen.png").Press("F10");
    auto run = RunScript(script, {"LONG.MID"});

    const e2e::IndexedImage shot = Shot("chosen.png");
    EXPECT_EQ(StatusMessage(shot), "SOUNDFONT 'ZZTOP.SF2'");
    const std::vector<std::string> lines = SoundFontLines(shot);
    EXPECT_TRUE(HasLine(lines, "0001 ZZTOP.SF2")) << ::testing::PrintToString(lines);
    EXPECT_TRUE(HasLine(lines, "0002 BASE.SF2")) << ::testing::PrintToString(lines);

    // The song was playing: the device was reset and the song's set-up sent
    // again (its System On first), then its notes went on.
    const std::vector<e2e::MidiLogLine> log = e2e::ReadMidiLog(run->MidiLogPath());
    EXPECT_EQ(e2e::CountActions(log, "open"), 1);
    int resets_while_playing = 0;
    for (std::size_t i = 0; i + 2 < log.size(); ++i)
        if (log[i].action == "reset" && log[i + 1].bytes.size() == 6 &&
            log[i + 1].bytes[0] == 0xF0 && !e2e::NoteOns({log.begin() + i, log.end()}).empty())
            ++resets_while_playing;
    EXPECT_EQ(resets_while_playing, 2);  // the song's start, and the new sound
    const std::string settings = e2e::ReadWholeFile(run->ConfigHome() / "nivra/nivra.conf");
    EXPECT_NE(settings.find("soundfont=" + (data_ / "soundfonts/ZZTOP.sf2").string() +
                            "\nsoundfont=" + (data_ / "soundfonts/BASE.sf2").string() + "\n"),
              std::string::npos)
        << settings;
}

TEST_F(SoundFontRunTest, TheFolderSoundFontPlaysItsSongsAndIsDroppedAfter) {
    scene_.WriteFile("OWN/SONG.MID", SongBytes("OWN", std::vector<int>(6, 62)));
    scene_.WriteFile("OWN/SONG.sf2", TinySoundFont::Bytes("OWNBANK"));
    scene_.WriteFile("NEXT.MID", SongBytes("NEXT", std::vector<int>(40, 64)));
    KeyScript script = Script();
    script.Press("F10").Shot("own.png").Press("F10").Wait(4000);
    script.Press("F10").Shot("next.png").Press("F10");
    auto run = RunScript(script, {"OWN/SONG.MID", "NEXT.MID"});

    EXPECT_TRUE(HasLine(SoundFontLines(Shot("own.png")), "0001 SONG.SF2"))
        << ::testing::PrintToString(SoundFontLines(Shot("own.png")));
    const std::vector<std::string> after = SoundFontLines(Shot("next.png"));
    EXPECT_TRUE(HasLine(after, "0001 BASE.SF2")) << ::testing::PrintToString(after);
    for (const std::string& line : after)
        EXPECT_EQ(line.find("SONG.SF2"), std::string::npos) << line;
    // Both songs were heard, and the folder's SoundFont was not kept.
    const std::vector<int> heard = LoggedNotes(run->MidiLogPath());
    EXPECT_EQ(std::count(heard.begin(), heard.end(), 62), 6);
    EXPECT_GT(std::count(heard.begin(), heard.end(), 64), 0);
    EXPECT_EQ(e2e::ReadWholeFile(run->ConfigHome() / "nivra/nivra.conf").find("soundfont="),
              std::string::npos);
}

}  // namespace
}  // namespace browsing_e2e
