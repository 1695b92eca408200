// SoundFonts: found in the Debian and XDG folders, the one beside a song, the
// stack's order when two have the same preset, and broken files turned away
// with a reason while the sound in use stays.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <thread>

#include "platform/backends/midi/soundfont_check.h"
#include "platform/backends/midi/synth_factory.h"
#include "platform/synth_config.h"
#include "platform/winmm.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/tiny_soundfont.h"

namespace {

namespace fs = std::filesystem;
using platform::winmm::CheckSoundFont;
using platform::winmm::CreateSynth;
using support::TinySoundFont;

std::vector<std::string> Under(const std::vector<std::string>& paths, const fs::path& folder) {
    std::vector<std::string> inside;
    for (const std::string& path : paths)
        if (path.rfind(folder.string(), 0) == 0)
            inside.push_back(path.substr(folder.string().size() + 1));
    return inside;
}

std::string TopPresetName(const platform::SynthConfig& config) {
    const platform::winmm::SynthBuild build = CreateSynth(config);
    if (!build.instance)
        return "(nothing loaded)";
    fluid_preset_t* preset = fluid_synth_get_channel_preset(build.instance->Synth(), 0);
    return preset != nullptr ? fluid_preset_get_name(preset) : "(no preset)";
}

class SoundFontTest : public ::testing::Test {
protected:
    support::ScratchFolder scratch_{"nivra-soundfonts"};
};

TEST_F(SoundFontTest, FoundInTheXdgFoldersEachFileOnceAndOnlySoundFonts) {
    scratch_.WriteFile("home/soundfonts/b.sf2", TinySoundFont::Bytes("B"));
    scratch_.WriteFile("home/soundfonts/A.SF3", TinySoundFont::Bytes("A"));
    scratch_.WriteFile("home/soundfonts/notes.txt", "not one");
    scratch_.WriteFile("dirs1/soundfonts/c.sf2", TinySoundFont::Bytes("C"));
    fs::create_symlink(scratch_ / "home/soundfonts/b.sf2", scratch_ / "dirs1/soundfonts/link.sf2");
    scratch_.WriteFile("relative/soundfonts/d.sf2", TinySoundFont::Bytes("D"));
    setenv("XDG_DATA_HOME", (scratch_ / "home").c_str(), 1);
    const std::string dirs =
        "relative:" + (scratch_ / "dirs1").string() + ":" + (scratch_ / "missing").string();
    setenv("XDG_DATA_DIRS", dirs.c_str(), 1);
    EXPECT_EQ(Under(platform::FindSoundFonts(), scratch_.Path()),
              (std::vector<std::string>{"home/soundfonts/A.SF3", "home/soundfonts/b.sf2",
                                        "dirs1/soundfonts/c.sf2"}));
    // Unset, the defaults of the base directory rules.
    const std::vector<std::string> folders = platform::SoundFontFolders(nullptr, nullptr, "/h");
    EXPECT_EQ(folders,
              (std::vector<std::string>{"/usr/share/sounds/sf2", "/usr/share/sounds/sf3",
                                        "/usr/share/soundfonts", "/h/.local/share/soundfonts",
                                        "/usr/local/share/soundfonts"}));
}

TEST_F(SoundFontTest, TheSongsOwnSoundFontElseTheOnlyOneInItsFolder) {
    scratch_.WriteFile("own/SONG.MID", "x");
    scratch_.WriteFile("own/SONG.sf2", TinySoundFont::Bytes("OWN"));
    scratch_.WriteFile("own/OTHER.sf2", TinySoundFont::Bytes("OTHER"));
    scratch_.WriteFile("own/ELSE.MID", "x");
    scratch_.WriteFile("only/A.MID", "x");
    scratch_.WriteFile("only/bank.SF3", TinySoundFont::Bytes("BANK"));
    scratch_.WriteFile("none/A.MID", "x");
    EXPECT_EQ(platform::FolderSoundFont((scratch_ / "own/SONG.MID").string()),
              (scratch_ / "own/SONG.sf2").string());
    // Two in the folder and none with the song's name: neither is the folder's.
    EXPECT_EQ(platform::FolderSoundFont((scratch_ / "own/ELSE.MID").string()), "");
    EXPECT_EQ(platform::FolderSoundFont((scratch_ / "only/A.MID").string()),
              (scratch_ / "only/bank.SF3").string());
    EXPECT_EQ(platform::FolderSoundFont((scratch_ / "none/A.MID").string()), "");
}

TEST_F(SoundFontTest, TheTopOfTheStackWinsWhereTwoHaveTheSamePreset) {
    const std::string alpha = scratch_.WriteFile("alpha.sf2", TinySoundFont::Bytes("ALPHA"));
    const std::string beta = scratch_.WriteFile("beta.sf2", TinySoundFont::Bytes("BETA"));
    platform::SynthConfig config;
    config.soundfonts = {alpha, beta};
    EXPECT_EQ(TopPresetName(config), "ALPHA");
    config.soundfonts = {beta, alpha};
    EXPECT_EQ(TopPresetName(config), "BETA");
    // The folder's SoundFont goes above the chosen stack.
    config.folder_soundfont = alpha;
    EXPECT_EQ(TopPresetName(config), "ALPHA");
}

TEST_F(SoundFontTest, BrokenSoundFontsAreTurnedAwayAndTheRestOfTheStackLoads) {
    const std::string good_bytes = TinySoundFont::Bytes("GOOD");
    const std::string good = scratch_.WriteFile("good.sf2", good_bytes);
    std::mt19937 random(7);
    std::string noise(4096, '\0');
    for (char& c : noise)
        c = static_cast<char>(random());
    std::string wave = good_bytes;
    wave.replace(8, 4, "WAVE");
    const std::pair<std::string, std::string> broken[] = {
        {"empty.sf2", ""},
        {"truncated.sf2", good_bytes.substr(0, good_bytes.size() / 2)},
        {"noise.sf2", noise},
        {"wave.sf2", wave},
        {"hostile.sf2", TinySoundFont::Bytes("EVIL", 0, 0, 1u << 30)},
    };
    EXPECT_EQ(CheckSoundFont(good).problem, "");
    EXPECT_NE(CheckSoundFont((scratch_ / "missing.sf2").string()).problem, "");
    for (const auto& [name, bytes] : broken) {
        const std::string path = scratch_.WriteFile(name, bytes);
        EXPECT_NE(CheckSoundFont(path).problem, "") << name;
        platform::SynthConfig config;
        config.soundfonts = {path};
        EXPECT_EQ(CreateSynth(config).instance, nullptr) << name;
        config.soundfonts = {path, good};
        const platform::winmm::SynthBuild build = CreateSynth(config);
        ASSERT_NE(build.instance, nullptr) << name;
        EXPECT_EQ(build.instance->Loaded(), std::vector<std::string>{good}) << name;
        ASSERT_EQ(build.problems.size(), 1u) << name;
        EXPECT_EQ(build.problems[0].rfind(name + ": ", 0), 0u) << build.problems[0];
    }
}

TEST_F(SoundFontTest, SoundSettingsReachTheSynthAndGsMessagesStillDo) {
    platform::SynthConfig config;
    config.soundfonts = {scratch_.WriteFile("good.sf2", TinySoundFont::Bytes("GOOD"))};
    config.polyphony = 100;
    config.reverb_level = 0.5;
    config.chorus_level = 3;
    config.sample_rate = 22050;
    config.interpolation = platform::SynthInterpolation::kNone;
    const platform::winmm::SynthBuild build = CreateSynth(config);
    ASSERT_NE(build.instance, nullptr);
    fluid_synth_t* synth = build.instance->Synth();
    EXPECT_EQ(build.instance->SampleRate(), 22050);
    EXPECT_EQ(fluid_synth_get_polyphony(synth), 100);
    double level = 0;
    fluid_synth_get_reverb_group_level(synth, -1, &level);
    EXPECT_DOUBLE_EQ(level, 0.5);
    fluid_synth_get_chorus_group_level(synth, -1, &level);
    EXPECT_DOUBLE_EQ(level, 3);
    int device_id = 0;
    fluid_settings_getint(fluid_synth_get_settings(synth), "synth.device-id", &device_id);
    EXPECT_EQ(device_id, 16);
    // A change while it plays: the setters, no new synth.
    config.polyphony = 32;
    platform::winmm::ApplySoundSettings(synth, config);
    EXPECT_EQ(fluid_synth_get_polyphony(synth), 32);
}

platform::SynthSoundState WaitForSound(
    const std::function<bool(const platform::SynthSoundState&)>& done) {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done(platform::GetSynthSoundState()) && std::chrono::steady_clock::now() < give_up)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return platform::GetSynthSoundState();
}

TEST_F(SoundFontTest, ANewSampleRateReopensThePlayingOutput) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    platform::SynthConfig config;
    config.soundfonts = {scratch_.WriteFile("good.sf2", TinySoundFont::Bytes("GOOD"))};
    platform::SetSynthConfig(config);
    HMIDIOUT handle = nullptr;
    ASSERT_EQ(midiOutOpen(&handle, 0, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    const auto first = WaitForSound([](const auto& s) { return s.generation > 0; });
    ASSERT_GT(first.generation, 0u);
    config.sample_rate = 22050;
    platform::SetSynthConfig(config);
    WaitForSound([&](const auto& s) { return s.generation > first.generation; });
    const std::uint64_t frames = platform::GetSoftwareSynthStats().frames_rendered;
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (platform::GetSoftwareSynthStats().frames_rendered == frames &&
           std::chrono::steady_clock::now() < give_up)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_GT(platform::GetSoftwareSynthStats().frames_rendered, frames);
    EXPECT_EQ(midiOutClose(handle), MMSYSERR_NOERROR);
}

TEST_F(SoundFontTest, TheSynthKeepsItsSoundWhenANewSoundFontFails) {
    const std::string good = scratch_.WriteFile("good.sf2", TinySoundFont::Bytes("GOOD"));
    const std::string bad = scratch_.WriteFile("bad.sf2", "RIFF");
    const auto wait_for = WaitForSound;
    platform::SynthConfig config;
    config.soundfonts = {good};
    platform::SetSynthConfig(config);
    platform::PrepareSoftwareSynth();
    const platform::SynthSoundState first =
        wait_for([](const platform::SynthSoundState& s) { return s.generation > 0; });
    ASSERT_EQ(first.loaded, std::vector<std::string>{good});

    config.soundfonts = {bad, good};
    platform::SetSynthConfig(config);
    const platform::SynthSoundState after =
        wait_for([&](const platform::SynthSoundState& s) { return s.failures > first.failures; });
    EXPECT_EQ(after.failures, first.failures + 1);
    EXPECT_EQ(after.last_failure, "bad.sf2: not a SoundFont");
    EXPECT_EQ(after.generation, first.generation);
    EXPECT_EQ(after.loaded, std::vector<std::string>{good});
    EXPECT_FALSE(after.loading);
    // The configuration goes back to the sound that stays.
    EXPECT_EQ(platform::GetSynthConfig().soundfonts, std::vector<std::string>{good});
}

}  // namespace
