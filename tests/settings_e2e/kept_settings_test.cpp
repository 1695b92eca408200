// The settings kept between runs of the real program, headless: what one run
// changes the next starts with; bad files start with the defaults and one
// line; a run killed while it replaces the file leaves the old one whole;
// two instances keep each other's changes and the lines written by hand;
// the full-screen keys leave a headless run alone.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "tests/monitors_e2e/monitor_run.h"
#include "tests/monitors_e2e/monitor_song.h"
#include "tests/monitors_e2e/screen_reading.h"
#include "tests/support/key_script.h"
#include "tests/support/midi_log.h"
#include "tests/support/nivra_process.h"
#include "tests/support/selector_order.h"

namespace {

namespace fs = std::filesystem;
using monitors_e2e::DescribeDevice;
using monitors_e2e::ExpectDeviceLine;

using monitors_e2e::kFadedInMs;
constexpr const char* kSong = "MONITOR.MID";

// Palette entries 1 to 7 (the text colours) of a shot against a palette file.
bool ShowsPalette(const e2e::IndexedImage& shot, int digit) {
    const std::string bytes =
        e2e::ReadWholeFile(NIVRA_BINARY_DIR "/nivra" + std::to_string(digit) + ".act");
    if (!shot.Valid() || bytes.size() < 768)
        return false;
    for (int entry = 1; entry <= 7; ++entry)
        for (int part = 0; part < 3; ++part)
            if (shot.palette[entry][part] != static_cast<std::uint8_t>(bytes[3 * entry + part]))
                return false;
    return true;
}

int CountLines(const std::string& text, const std::string& start) {
    int count = 0;
    for (std::size_t at = 0; (at = text.find(start, at)) != std::string::npos; ++at)
        count += at == 0 || text[at - 1] == '\n';
    return count;
}

ino_t Inode(const fs::path& file) {
    struct stat info {};
    return stat(file.c_str(), &info) == 0 ? info.st_ino : 0;
}

class KeptSettingsRuns : public ::testing::Test {
protected:
    void SetUp() override {
        const song_bytes::Bytes song = monitors_e2e::MonitorSong();
        songs_.WriteFile(std::string("SUB/") + kSong, std::string(song.begin(), song.end()));
    }
    e2e::RunOptions Options(const fs::path& working, const support::KeyScript& keys) const {
        e2e::RunOptions options;
        options.working_folder = working;
        options.script = keys.Lines();
        options.extra_environment["NIVRA_CONFIG"] = kept_.string();
        return options;
    }

    e2e::ScratchFolder songs_{"nivra-kept-songs"};
    e2e::ScratchFolder scratch_{"nivra-kept"};
    const fs::path kept_ = scratch_ / "kept/settings.conf";
};

TEST_F(KeptSettingsRuns, WhatOneRunChangesTheNextStartsWith) {
    const fs::path sub = songs_ / "SUB";
    const int song_index = support::SelectorIndex(sub, kSong);
    {
        support::KeyScript keys(kFadedInMs, 150);
        keys.Key("ALT+3").Key("F2").Key("DOWN").Key("RETURN");
        keys.Steps(0, support::SelectorIndex(songs_.Path(), "SUB")).Key("RETURN");
        keys.Steps(0, song_index)
            .Key("RETURN")
            .AwaitSongStart()
            .Key("F9", 600)
            .Key("F9")
            .Key("F5")
            .Key("F4");
        keys.Key("ESCAPE", 300);
        e2e::NivraProcess first(Options(songs_.Path(), keys));
        ASSERT_EQ(first.WaitForExit(), 0) << first.Stderr();
        EXPECT_EQ(first.Stderr().find("SETTINGS"), std::string::npos) << first.Stderr();
        EXPECT_EQ(e2e::ReadWholeFile(kept_),
                  "# NIVRA settings, written when the program quits\nfolder=" + sub.string() +
                      "\ndevice=0\ndevice_name=" + DescribeDevice(0).name +
                      "\npalette=3\nvolume=223\nrepeat=on\nplay_through=on\n");
        // NIVRA_CONFIG took the place of the file in the configuration folder.
        EXPECT_TRUE(fs::is_empty(first.ConfigHome()));
    }
    const ino_t written = Inode(kept_);
    e2e::ScratchFolder elsewhere{"nivra-kept-elsewhere"};
    const fs::path shot = elsewhere / "playing.png";
    support::KeyScript keys(kFadedInMs, 150);
    keys.Steps(0, song_index).Key("RETURN").AwaitSongStart().Shot(shot, 1000).Key("ESCAPE", 100);
    e2e::NivraProcess second(Options(elsewhere.Path(), keys));
    ASSERT_EQ(second.WaitForExit(), 0) << second.Stderr();
    EXPECT_EQ(second.Stderr().find("SETTINGS"), std::string::npos) << second.Stderr();

    // It browsed the kept folder, not the one it started in: the song there
    // played, at the kept volume, on the kept device, in the kept colours.
    const std::vector<e2e::MidiLogLine> log = e2e::ReadMidiLog(second.MidiLogPath());
    EXPECT_FALSE(e2e::NoteOns(log).empty());
    std::vector<std::string> volumes;
    for (const e2e::MidiLogLine& line : log)
        if (line.action == "volume")
            volumes.push_back(line.argument);
    ASSERT_FALSE(volumes.empty());
    EXPECT_EQ(volumes.front(), "DF00DF00");
    const e2e::IndexedImage playing = e2e::ReadIndexedPng(shot);
    ASSERT_TRUE(playing.Valid());
    ExpectDeviceLine(playing, DescribeDevice(0));
    EXPECT_TRUE(ShowsPalette(playing, 3));
    // Nothing changed in the second run, so nothing was written.
    EXPECT_EQ(Inode(kept_), written);
}

TEST_F(KeptSettingsRuns, BadFilesStartWithTheDefaultsAndOneLine) {
    struct Case {
        const char* name;
        std::string text;  // empty: the place is a folder
        int palette;       // what the run shows
    };
    std::string junk;
    for (int i = 0; i < 3000; ++i)
        junk += static_cast<char>((i * 131 + 7) % 256);
    std::string huge;
    while (huge.size() < 100000)
        huge += "palette=5\n";
    const std::vector<Case> cases = {
        {"damaged",
         "palette=2\nvolume=abc\ncolour=red\nno equals\nfolder=/nowhere/nivra\ndevice=77\n", 2},
        {"truncated", "palette=4\nfolder=" + songs_.Path().string() + "/SU", 4},
        {"binary", junk, 0},
        {"huge", huge, 0},
        {"folder", "", 0},
    };
    std::vector<std::unique_ptr<e2e::NivraProcess>> runs;
    for (const Case& c : cases) {
        const fs::path file = scratch_ / c.name;
        if (c.text.empty())
            fs::create_directories(file / "inside");
        else
            scratch_.WriteFile(c.name, c.text);
        support::KeyScript keys(kFadedInMs + 200);
        keys.Shot(scratch_ / (std::string(c.name) + ".png")).Key("ESCAPE");
        e2e::RunOptions options = Options(songs_.Path(), keys);
        options.extra_environment["NIVRA_CONFIG"] = file.string();
        runs.push_back(std::make_unique<e2e::NivraProcess>(options));
    }
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        e2e::NivraProcess& run = *runs[i];
        ASSERT_EQ(run.WaitForExit(), 0) << run.Stderr();
        const fs::path file = scratch_ / cases[i].name;
        EXPECT_EQ(CountLines(run.Stderr(), "SETTINGS: " + file.string() + ": "), 1) << run.Stderr();
        EXPECT_TRUE(
            ShowsPalette(e2e::ReadIndexedPng(scratch_ / (std::string(cases[i].name) + ".png")),
                         cases[i].palette));
        // Nothing changed during the run: the bad file is left as it was.
        if (!cases[i].text.empty()) {
            EXPECT_EQ(e2e::ReadWholeFile(file), cases[i].text);
        }
    }
    EXPECT_NE(runs[0]->Stderr().find("line 2: bad volume \"abc\" (and 4 more)"), std::string::npos)
        << runs[0]->Stderr();
    EXPECT_NE(runs[1]->Stderr().find("cut short"), std::string::npos) << runs[1]->Stderr();
}

// The rename is held by a library preloaded into the program (the program
// itself has no such hook); the next run's write clears the leftover.
TEST_F(KeptSettingsRuns, AKillBetweenWritingAndRenamingLeavesTheOldFileWhole) {
    const std::string old_text = "palette=1\nvolume=100\n";
    scratch_.WriteFile("kept/settings.conf", old_text);
    const fs::path marker = scratch_ / "held";
    support::KeyScript keys(kFadedInMs);
    keys.Key("ALT+5").Key("ESCAPE");
    e2e::RunOptions options = Options(songs_.Path(), keys);
    fs::path temporary;
    {
        e2e::RunOptions held_options = options;
        held_options.extra_environment["LD_PRELOAD"] =
            NIVRA_BINARY_DIR "/tests/hold_rename_preload.so";
        held_options.extra_environment["NIVRA_HOLD_RENAME_MARKER"] = marker.string();
        // A sanitized program wants its runtime first among the preloads.
        const char* asan = std::getenv("ASAN_OPTIONS");
        held_options.extra_environment["ASAN_OPTIONS"] =
            std::string(asan ? asan : "") + ":verify_asan_link_order=0";
        e2e::NivraProcess held(held_options);
        while (!fs::exists(marker) && held.Running())
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ASSERT_TRUE(fs::exists(marker)) << held.Stderr();
        // The new file is whole beside the old one when the program dies.
        temporary = e2e::ReadWholeFile(marker);
        EXPECT_EQ(temporary.parent_path(), kept_.parent_path());
        EXPECT_EQ(e2e::ReadWholeFile(temporary), "palette=5\nvolume=100\n");
        held.Signal(SIGKILL);
        EXPECT_EQ(held.WaitForExit(), -SIGKILL);
    }
    EXPECT_EQ(e2e::ReadWholeFile(kept_), old_text);

    // Without the hold the same run replaces it and removes the leftover.
    scratch_.WriteFile("kept/settings.conf", "# mine\npalette=1\n");
    e2e::NivraProcess whole(options);
    ASSERT_EQ(whole.WaitForExit(), 0) << whole.Stderr();
    EXPECT_EQ(e2e::ReadWholeFile(kept_), "# mine\npalette=5\n");
    EXPECT_FALSE(fs::exists(temporary));
}

// Two instances of one settings file (neither sees the other's lock without
// a shared XDG_RUNTIME_DIR): each writes only what it changed into the file
// as the other left it, and comments and unknown keys stay.
TEST_F(KeptSettingsRuns, TwoInstancesKeepBothChangesAndTheHandEditedLines) {
    scratch_.WriteFile("kept/settings.conf", "# my player\npalette=1\ncolour=green\nvolume=200\n");
    const fs::path shot = scratch_ / "palette.png";
    support::KeyScript palette_keys(kFadedInMs);
    palette_keys.Key("ALT+3").Shot(shot, 300);
    e2e::NivraProcess palette_run(Options(songs_.Path(), palette_keys));
    support::KeyScript folder_keys(kFadedInMs);
    folder_keys.Steps(0, support::SelectorIndex(songs_.Path(), "SUB")).Key("RETURN").Key("ESCAPE");
    e2e::NivraProcess folder_run(Options(songs_.Path(), folder_keys));
    ASSERT_EQ(folder_run.WaitForExit(), 0) << folder_run.Stderr();
    // The palette run quits once its change shows and the other has written.
    while (!ShowsPalette(e2e::ReadIndexedPng(shot), 3) && palette_run.Running())
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    palette_run.Signal(SIGTERM);
    ASSERT_EQ(palette_run.WaitForExit(), 0) << palette_run.Stderr();
    EXPECT_EQ(e2e::ReadWholeFile(kept_),
              "# my player\npalette=3\ncolour=green\nvolume=200\nfolder=" +
                  (songs_ / "SUB").string() + "\n");
}

// Songs in two folders on the command line: the queue moves the selector
// to the second song's folder, which is not kept, as for a single song.
TEST_F(KeptSettingsRuns, TheQueueOfCommandLineSongsLeavesTheFolderAlone) {
    const song_bytes::Bytes note = {0x00, 0x90, 60, 100, 0x30, 0x80, 60, 0};
    const song_bytes::Bytes song =
        song_bytes::Song(96, {song_bytes::Concat({note, song_bytes::kEndOfTrack})}, 0);
    for (const char* name : {"A/ONE.MID", "B/TWO.MID"})
        songs_.WriteFile(name, std::string(song.begin(), song.end()));
    support::KeyScript keys(0);
    keys.AwaitSongStart().AwaitSongStart().Key("ESCAPE", 300);
    e2e::RunOptions options = Options(songs_.Path(), keys);
    options.arguments = {"A/ONE.MID", "B/TWO.MID"};
    e2e::NivraProcess run(options);
    ASSERT_EQ(run.WaitForExit(), 0) << run.Stderr();
    EXPECT_FALSE(fs::exists(kept_)) << e2e::ReadWholeFile(kept_);
}

// --no-config reads and writes nothing; --device wins for its run only.
TEST_F(KeptSettingsRuns, TheCommandLineWinsForItsRun) {
    const std::string kept_text = "device=0\npalette=3\n";
    scratch_.WriteFile("kept/settings.conf", kept_text);
    const fs::path other = scratch_.WriteFile("other.conf", kept_text);
    const ino_t kept_inode = Inode(kept_);
    const int song_index = support::SelectorIndex(songs_ / "SUB", kSong);

    support::KeyScript no_config_keys(kFadedInMs);
    no_config_keys.Shot(scratch_ / "no-config.png").Key("ALT+5").Key("ESCAPE");
    e2e::RunOptions no_config = Options(songs_.Path(), no_config_keys);
    no_config.arguments = {"--no-config"};
    e2e::NivraProcess without(no_config);

    support::KeyScript device_keys(kFadedInMs, 150);
    device_keys.Steps(0, song_index).Key("RETURN").AwaitSongStart();
    device_keys.Shot(scratch_ / "device.png", 800).Key("ALT+2").Key("ESCAPE");
    e2e::RunOptions device = Options(songs_ / "SUB", device_keys);
    device.extra_environment["NIVRA_CONFIG"] = other.string();
    device.arguments = {"--device", "----"};
    e2e::NivraProcess named(device);

    ASSERT_EQ(without.WaitForExit(), 0) << without.Stderr();
    EXPECT_TRUE(ShowsPalette(e2e::ReadIndexedPng(scratch_ / "no-config.png"), 0));
    EXPECT_EQ(e2e::ReadWholeFile(kept_), kept_text);
    EXPECT_EQ(Inode(kept_), kept_inode);
    EXPECT_EQ(std::distance(fs::directory_iterator(kept_.parent_path()), {}), 1);
    EXPECT_TRUE(fs::is_empty(without.ConfigHome()));

    ASSERT_EQ(named.WaitForExit(), 0) << named.Stderr();
    const e2e::IndexedImage shot = e2e::ReadIndexedPng(scratch_ / "device.png");
    ASSERT_TRUE(shot.Valid());
    ExpectDeviceLine(shot, DescribeDevice(MIDI_MAPPER));
    EXPECT_TRUE(ShowsPalette(shot, 3));
    // The kept device stays kept; the palette changed during the run.
    EXPECT_EQ(e2e::ReadWholeFile(other), "device=0\npalette=2\n");
}

TEST_F(KeptSettingsRuns, FullScreenKeysLeaveAHeadlessRunAsItWas) {
    support::KeyScript keys(kFadedInMs + 200);
    keys.Shot(scratch_ / "before.png").Key("ALT+RETURN", 200).Shot(scratch_ / "alt.png", 200);
    keys.Key("F11").Shot(scratch_ / "f11.png", 200).Key("ESCAPE");
    e2e::NivraProcess run(Options(songs_.Path(), keys));
    ASSERT_EQ(run.WaitForExit(), 0) << run.Stderr();
    EXPECT_EQ(run.Stderr().find("VIDEO"), std::string::npos) << run.Stderr();
    const e2e::IndexedImage before = e2e::ReadIndexedPng(scratch_ / "before.png");
    ASSERT_TRUE(before.Valid());
    for (const char* name : {"alt.png", "f11.png"}) {
        const e2e::IndexedImage after = e2e::ReadIndexedPng(scratch_ / name);
        ASSERT_TRUE(after.Valid()) << name;
        // The text colours stay (blink colours and the clock, the frame rate
        // and this machine's figures move on by themselves), and so does the
        // rest of the screen.
        EXPECT_TRUE(ShowsPalette(after, 0)) << name;
        int differing = 0;
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x)
                differing += after.At(x, y) != before.At(x, y) &&
                             !(x >= 530 && y >= 20 && y < 112) &&
                             !(x >= 385 && y >= 143 && y < 170);
        EXPECT_EQ(differing, 0) << name;
    }
    // Nothing changed, nothing was written.
    EXPECT_FALSE(fs::exists(kept_));
}

// On SDL's display-less driver: the switch is kept, and a later run without
// NIVRA_VIDEO opens in the kept mode (it switches to the other one from there).
TEST_F(KeptSettingsRuns, TheFullScreenSwitchIsKeptForTheNextRun) {
    const char* const header = "# NIVRA settings, written when the program quits\n";
    for (const char* mode : {"fullscreen", ""}) {
        SCOPED_TRACE(mode);
        support::KeyScript keys(kFadedInMs);
        keys.Key(*mode ? "F11" : "ALT+RETURN").Key("ESCAPE", 300);
        e2e::RunOptions options = Options(songs_.Path(), keys);
        options.extra_environment["SDL_VIDEODRIVER"] = "dummy";
        if (*mode) {
            options.extra_environment["NIVRA_VIDEO"] = mode;
        } else {
            options.removed_environment = {"NIVRA_VIDEO"};
            options.extra_environment["DISPLAY"] = ":nivra-test";
        }
        e2e::NivraProcess run(options);
        ASSERT_EQ(run.WaitForExit(), 0) << run.Stderr();
        EXPECT_EQ(run.Stderr().find("VIDEO"), std::string::npos) << run.Stderr();
        EXPECT_EQ(e2e::ReadWholeFile(kept_),
                  std::string(header) + (*mode ? "video=window\n" : "video=fullscreen\n"));
    }
}

}  // namespace
