// The settings file's text: what is read from good, damaged and odd files,
// and what is written back; and where the file is looked for.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/kept_settings.h"
#include "app/settings_text.h"
#include "platform/winmm.h"

namespace {

KeptValues ParseKept(const std::string& text, std::vector<std::string>* problems = nullptr) {
    std::vector<std::string> ignored;
    return ParseKeptValues(text, problems ? problems : &ignored);
}

TEST(SettingsText, EverySettingGoesThroughTheTextAndBack) {
    KeptValues all;
    // A folder name may hold any byte: line ends, '%', blanks at the ends,
    // bytes that are not UTF-8.
    all.folder = std::string("/music/ 100% \n\r\t\x01\xFF\xE6\x9B\xB2 ");
    all.device = 2;
    all.device_name = "USB MIDI %1 ";
    all.palette = 7;
    all.volume = 0;
    all.repeat = true;
    all.play_through = false;
    all.fullscreen = false;
    all.loop_mode = LoopMode::kForever;
    all.loop_count = 99;
    all.loop_fade_seconds = 0;
    // The stack keeps its order, one line each; every sound setting.
    all.synth.soundfonts = {"/sf/top 100%.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2"};
    all.synth.reverb = false;
    all.synth.reverb_level = 0.25;
    all.synth.chorus = true;
    all.synth.chorus_level = 1.444444;  // more digits than "%g" keeps
    all.synth.gain = 1.5;
    all.synth.polyphony = 512;
    all.synth.interpolation = platform::SynthInterpolation::kSeventhOrder;
    all.synth.sample_rate = 48000;
    const std::string text = FormatKeptValues(all);
    std::vector<std::string> problems;
    EXPECT_EQ(ParseKept(text, &problems), all) << text;
    EXPECT_TRUE(problems.empty()) << problems.front();
    // One line a setting, nothing on them that a reader would take as a line end.
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 22) << text;
    EXPECT_NE(text.find("soundfont=/sf/top 100%25.sf2\nsoundfont=/usr/"), std::string::npos);

    KeptValues mapper;
    mapper.device = MIDI_MAPPER;
    mapper.fullscreen = true;
    mapper.loop_mode = LoopMode::kCount;
    EXPECT_EQ(FormatKeptValues(mapper),
              "# NIVRA settings, written when the program quits\ndevice=mapper\nvideo=fullscreen\n"
              "loop=count\n");
    EXPECT_EQ(ParseKept(FormatKeptValues(mapper)), mapper);
    EXPECT_EQ(ParseKept(FormatKeptValues({})), KeptValues{});
}

TEST(SettingsText, HandWrittenLinesReadWithBlanksCrLfAndComments) {
    std::vector<std::string> problems;
    const KeptValues values = ParseKept(
        "# mine\r\n\r\n  palette = 3 \r\n\tvolume=200\r\nrepeat=on\r\nfolder=/a b/c%zz%4\r\n",
        &problems);
    EXPECT_TRUE(problems.empty()) << problems.front();
    EXPECT_EQ(values.palette, 3);
    EXPECT_EQ(values.volume, 200);
    EXPECT_EQ(values.repeat, true);
    // A '%' without two hex digits is itself.
    EXPECT_EQ(values.folder, "/a b/c%zz%4");
}

TEST(SettingsText, BadLinesAreNamedAndTheGoodOnesStillCount) {
    std::vector<std::string> problems;
    const KeptValues values = ParseKept(
        "palette=10\n"            // 1: out of range
        "volume=-1\n"             // 2
        "volume=12x\n"            // 3
        "device=\n"               // 4
        "repeat=yes\n"            // 5
        "video=tv\n"              // 6
        "folder=relative/path\n"  // 7
        "colour=red\n"            // 8: unknown key
        "just words\n"            // 9: no '='
        "palette=4\n"             // 10: good
        "palette=5\n"             // 11: twice; the later counts
        "device=99999999999\n"    // 12
        "play_through=off\n"      // 13: good
        "loop=sometimes\n"        // 14
        "loop_count=0\n"          // 15: 1 to 99
        "loop_fade=61\n"          // 16: 0 to 60
        "loop_count=3\n"          // 17: good
        "gain=11\n"               // 18: out of range
        "interpolation=cubic\n"   // 19
        "polyphony=0\n"           // 20
        "soundfont=\n"            // 21
        "volume=3",               // 22: cut short, no line end
        &problems);
    EXPECT_EQ(values.palette, 5);
    EXPECT_EQ(values.play_through, false);
    EXPECT_FALSE(values.volume);
    EXPECT_FALSE(values.device);
    EXPECT_FALSE(values.repeat);
    EXPECT_FALSE(values.fullscreen);
    EXPECT_FALSE(values.folder);
    EXPECT_FALSE(values.loop_mode);
    EXPECT_EQ(values.loop_count, 3);
    EXPECT_FALSE(values.loop_fade_seconds);
    const std::vector<std::string> expected = {"line 1: bad palette \"10\"",
                                               "line 2: bad volume \"-1\"",
                                               "line 3: bad volume \"12x\"",
                                               "line 4: bad device \"\"",
                                               "line 5: bad repeat \"yes\"",
                                               "line 6: bad video \"tv\"",
                                               "line 7: bad folder \"relative/path\"",
                                               "line 8: unknown key \"colour\"",
                                               "line 9: no '=' in \"just words\"",
                                               "line 11: palette given twice",
                                               "line 12: bad device \"99999999999\"",
                                               "line 14: bad loop \"sometimes\"",
                                               "line 15: bad loop_count \"0\"",
                                               "line 16: bad loop_fade \"61\"",
                                               "line 18: bad gain \"11\"",
                                               "line 19: bad interpolation \"cubic\"",
                                               "line 20: bad polyphony \"0\"",
                                               "line 21: bad soundfont \"\"",
                                               "line 22: cut short (\"volume=3\")"};
    EXPECT_EQ(problems, expected);
}

TEST(SettingsText, BinaryJunkGivesNoSettingsAndLegibleProblems) {
    std::string junk;
    for (int i = 0; i < 4096; ++i)
        junk += static_cast<char>((i * 7919 + 13) % 256);
    // Lines that would be settings but for a control byte in them.
    junk += "\npalette=\x01\x02\n";
    junk.push_back('\0');
    junk += "volume=3\n";
    std::vector<std::string> problems;
    EXPECT_EQ(ParseKept(junk, &problems), KeptValues{});
    ASSERT_FALSE(problems.empty());
    for (const std::string& problem : problems) {
        for (char c : problem)
            EXPECT_TRUE(c >= 0x20 && c < 0x7F) << problem;
        EXPECT_LT(problem.size(), 80u) << problem;
    }
}

// Only the changed keys are written in: a later line of a changed key goes,
// a dropped key goes, comments, unknown keys, CR LF and bad lines stay, new
// keys come at the end (after an end for a last line cut short).
TEST(SettingsText, AnUpdateChangesOnlyTheChangedKeys) {
    KeptValues changed;
    changed.palette = 4;
    changed.device = MIDI_MAPPER;
    changed.repeat = true;
    const std::string old_text =
        "# mine\r\ndevice=2\r\ndevice_name=SYNTH\ncolour=red\n palette = 1\nvolume=abc\n"
        "palette=7\nplay_through=on";
    EXPECT_EQ(UpdateKeptText(old_text, changed, {"device_name"}),
              "# mine\r\ndevice=mapper\ncolour=red\npalette=4\nvolume=abc\nplay_through=on\n"
              "repeat=on\n");
    EXPECT_EQ(UpdateKeptText("", changed, {}), FormatKeptValues(changed));
    EXPECT_EQ(UpdateKeptText("# mine\n", KeptValues{}, {}), "# mine\n");

    // The SoundFont stack's lines go together where its first line stood;
    // an emptied stack leaves none.
    KeptValues stack;
    stack.synth.soundfonts = {"/a.sf2", "/b.sf2"};
    EXPECT_EQ(UpdateKeptText("soundfont=/old.sf2\n# mine\nsoundfont=/older.sf2\n", stack, {}),
              "soundfont=/a.sf2\nsoundfont=/b.sf2\n# mine\n");
    EXPECT_EQ(UpdateKeptText("soundfont=/old.sf2\nrepeat=on\n", KeptValues{}, {"soundfont"}),
              "repeat=on\n");
}

TEST(SettingsFilePlace, NivraConfigThenAnAbsoluteXdgConfigHomeThenHome) {
    EXPECT_EQ(SettingsFilePath("/t/my.conf", "/x", "/h"), "/t/my.conf");
    EXPECT_EQ(SettingsFilePath("", "/x", "/h"), "/x/nivra/nivra.conf");
    EXPECT_EQ(SettingsFilePath(nullptr, "relative", "/h"), "/h/.config/nivra/nivra.conf");
    EXPECT_EQ(SettingsFilePath(nullptr, nullptr, "/h"), "/h/.config/nivra/nivra.conf");
    EXPECT_EQ(SettingsFilePath(nullptr, "", ""), "");
}

}  // namespace
