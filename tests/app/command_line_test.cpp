// The command line: GNU option forms, the actions and their precedence, and
// the one-line refusals of bad options and paths.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "tests/support/nivra_process.h"
#include "tests/support/scratch_folder.h"

namespace {

CommandLine Parse(std::initializer_list<const char*> arguments) {
    std::vector<std::string> words = {"nivra"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    return ParseCommandLine(static_cast<int>(words.size()), argv.data());
}

using Action = CommandLine::Action;

TEST(CommandLine, OptionFormsAndPaths) {
    support::ScratchFolder scratch;
    scratch.WriteFile("a.mid", "MThd");
    scratch.MakeFolder("songs");
    const std::string song = (scratch / "a.mid").string();
    const std::string folder = (scratch / "songs").string();

    CommandLine plain = Parse({});
    EXPECT_EQ(plain.action, Action::kRun);
    EXPECT_TRUE(plain.paths.empty());
    EXPECT_FALSE(plain.device);
    EXPECT_FALSE(plain.no_config);
    EXPECT_FALSE(plain.no_mpris);

    for (const CommandLine& line :
         {Parse({"--device=0001", song.c_str()}), Parse({"--device", "0001", song.c_str()}),
          Parse({"-d", "0001", song.c_str()}), Parse({"-d0001", song.c_str()}),
          Parse({"--dev=0001", song.c_str()})}) {
        EXPECT_EQ(line.action, Action::kRun) << line.message;
        EXPECT_EQ(line.device.value_or(""), "0001");
        EXPECT_EQ(line.paths, std::vector<std::string>{song});
    }
    // Options stop at the first path, and "--" ends them too, so a song
    // named like an option can be played.
    scratch.WriteFile("--help", "MThd");
    const std::string odd = (scratch / "--help").string();
    CommandLine ended = Parse({"--no-config", "--no-m", "--", odd.c_str(), folder.c_str()});
    EXPECT_EQ(ended.action, Action::kRun) << ended.message;
    EXPECT_TRUE(ended.no_config);
    EXPECT_TRUE(ended.no_mpris);
    EXPECT_EQ(ended.paths, (std::vector<std::string>{odd, folder}));
    EXPECT_EQ(Parse({song.c_str(), "--version"}).action, Action::kFail);

    // SoundFonts stack in the order given, the first on top; sound settings.
    const std::string bank = scratch.WriteFile("b.sf2", "RIFF").string();
    const std::string bank_option = "--soundfont=" + bank;
    CommandLine sound =
        Parse({"--soundfont", song.c_str(), bank_option.c_str(), "--reverb=off",
               "--chorus-level=2.5", "--interpolation=4th", "--sample-rate", "48000"});
    EXPECT_EQ(sound.action, Action::kRun) << sound.message;
    EXPECT_EQ(sound.synth.soundfonts, (std::vector<std::string>{song, bank}));
    EXPECT_EQ(sound.synth.reverb, false);
    EXPECT_EQ(sound.synth.chorus_level, 2.5);
    EXPECT_EQ(sound.synth.interpolation, platform::SynthInterpolation::kFourthOrder);
    EXPECT_EQ(sound.synth.sample_rate, 48000);
    EXPECT_FALSE(sound.synth.gain);
}

TEST(CommandLine, LoopAndFadeGoOverTheKeptLoopSettings) {
    const LoopSettings kept{LoopMode::kForever, 7, 20};
    EXPECT_EQ(Parse({}).LoopSettingsOver(kept), kept);
    const CommandLine counted = Parse({"--loop=3", "--fade", "0"});
    EXPECT_EQ(counted.action, Action::kRun) << counted.message;
    EXPECT_EQ(counted.LoopSettingsOver(kept), (LoopSettings{LoopMode::kCount, 3, 0}));
    // A mode alone leaves the kept count and fade.
    EXPECT_EQ(Parse({"--loop", "off"}).LoopSettingsOver(kept),
              (LoopSettings{LoopMode::kOff, 7, 20}));
}

TEST(CommandLine, ActionsWinOverRunningAndHelpWinsOverAll) {
    EXPECT_EQ(Parse({"--help"}).action, Action::kHelp);
    EXPECT_EQ(Parse({"-V", "-h"}).action, Action::kHelp);
    EXPECT_EQ(Parse({"--version", "--list-devices"}).action, Action::kVersion);
    EXPECT_EQ(Parse({"-l"}).action, Action::kListDevices);
    // A listing does not care whether the paths after it exist.
    EXPECT_EQ(Parse({"--list-devices", "/no/such/song.mid"}).action, Action::kListDevices);
    EXPECT_EQ(Parse({"--list-soundfonts"}).action, Action::kListSoundFonts);
    EXPECT_NE(std::string(CommandLineHelp()).find("--list-devices"), std::string::npos);
}

TEST(CommandLine, RefusalsAreOneLineEach) {
    support::ScratchFolder scratch;
    const std::string missing = (scratch / "gone.mid").string();
    const struct {
        CommandLine line;
        std::string message;
    } cases[] = {
        {Parse({missing.c_str()}),
         "nivra: cannot open '" + missing + "': No such file or directory"},
        {Parse({"--frobnicate"}), "nivra: unknown option '--frobnicate' (try 'nivra --help')"},
        {Parse({"-x"}), "nivra: unknown option '-x' (try 'nivra --help')"},
        {Parse({"--help=yes"}), "nivra: option '--help' takes no value (try 'nivra --help')"},
        {Parse({"--device"}), "nivra: option '--device' needs a value (try 'nivra --help')"},
        {Parse({"--device="}), "nivra: option '--device' needs a value (try 'nivra --help')"},
        {Parse({"--loop"}), "nivra: option '--loop' needs a value (try 'nivra --help')"},
        {Parse({"--loop=100"}),
         "nivra: option '--loop' takes off, 1 to 99 or forever, not '100' (try 'nivra --help')"},
        {Parse({"--fade=8s"}),
         "nivra: option '--fade' takes seconds from 0 to 60, not '8s' (try 'nivra --help')"},
        {Parse({"--gain=loud"}), "nivra: bad value 'loud' for --gain (try 'nivra --help')"},
        {Parse({"--gain=nan"}), "nivra: bad value 'nan' for --gain (try 'nivra --help')"},
        {Parse({"--sample-rate=1000"}),
         "nivra: bad value '1000' for --sample-rate (try 'nivra --help')"},
        {Parse({"--soundfont", missing.c_str()}),
         "nivra: cannot open SoundFont '" + missing + "': No such file or directory"},
    };
    for (const auto& [line, message] : cases) {
        EXPECT_EQ(line.action, Action::kFail);
        EXPECT_EQ(line.message, message);
        EXPECT_EQ(line.message.find('\n'), std::string::npos);
    }
}

}  // namespace

// The real program answers --version and --help on standard output and
// refuses a missing song with status 2 and one line, before any window,
// device or lock.
TEST(CommandLineRuns, AnswersAndRefusesWithoutStarting) {
    e2e::RunOptions options;
    options.arguments = {"--version"};
    e2e::NivraProcess version(options);
    ASSERT_EQ(version.WaitForExit(), 0) << version.Stderr();
    EXPECT_TRUE(version.Stdout().rfind("NIVRA v", 0) == 0) << version.Stdout();
    EXPECT_NE(version.Stdout().find("(BUILD"), std::string::npos) << version.Stdout();

    options.arguments = {"--help"};
    e2e::NivraProcess help(options);
    ASSERT_EQ(help.WaitForExit(), 0);
    EXPECT_EQ(help.Stdout(), CommandLineHelp());

    options.arguments = {"/no/such/folder/song.mid"};
    e2e::NivraProcess missing(options);
    EXPECT_EQ(missing.WaitForExit(), 2);
    EXPECT_EQ(missing.Stderr(),
              "nivra: cannot open '/no/such/folder/song.mid': No such file or directory\n");
    EXPECT_FALSE(std::filesystem::exists(missing.MidiLogPath()));
}
