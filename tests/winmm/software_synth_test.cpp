// Device 0, the software synthesizer, on SDL's dummy audio driver: a song
// played through it reaches the synth and sounds; without a SoundFont the
// device does not open, the mapper moves on and a load fails cleanly. Cases
// that depend on whether the synth was ever created run in a fresh process.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "midi/player.h"
#include "midi/sequencer.h"
#include "platform/synth_config.h"
#include "platform/winmm.h"
#include "tests/midi/song_bytes.h"

using namespace song_bytes;
using namespace std::chrono_literals;

namespace {

// The General MIDI SoundFonts the Debian packages install.
std::string InstalledSoundFont() {
    for (const char* path :
         {"/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2",
          "/usr/share/sounds/sf2/default-GM.sf2"}) {
        struct stat info {};
        if (stat(path, &info) == 0 && S_ISREG(info.st_mode))
            return path;
    }
    return {};
}

bool WaitUntil(const std::function<bool()>& done) {
    const auto give_up = std::chrono::steady_clock::now() + 10s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > give_up)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// Five notes of about 20 ms each on channel 1, named "SYNTH".
Bytes FiveNotes() {
    Bytes events = {0x00, 0xFF, 0x03, 0x05, 'S',  'Y',  'N',  'T',  'H', 0x00,
                    0xFF, 0x51, 0x03, 0x01, 0x86, 0xA0, 0x00, 0xC0, 0x00};
    for (std::uint8_t key : {60, 62, 64, 65, 67})
        events.insert(events.end(), {0x00, 0x90, key, 0x64, 0x14, 0x80, key, 0x00});
    events.insert(events.end(), kEndOfTrack.begin(), kEndOfTrack.end());
    return Song(96, {events});
}

class SoftwareSynthTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    }
};

// Exits 0 when every step went as expected, else names the step that did not.
[[noreturn]] void Finish(const char* failed_step) {
    if (failed_step != nullptr)
        std::fprintf(stderr, "failed: %s\n", failed_step);
    std::_Exit(failed_step == nullptr ? 0 : 1);
}

TEST_F(SoftwareSynthTest, SongPlaysThroughDeviceZeroAndTheSynthReceivesItsNotes) {
    const std::string soundfont = InstalledSoundFont();
    if (soundfont.empty())
        GTEST_SKIP() << "no General MIDI SoundFont installed";
    setenv("NIVRA_SOUNDFONT", soundfont.c_str(), 1);
    CSequencer sequencer;
    sequencer.SelectDevice(0);
    TempFile song(FiveNotes());
    const platform::SoftwareSynthStats before = platform::GetSoftwareSynthStats();
    ASSERT_TRUE(PlayerOpen(song.Path()));
    char name[MAXPNAMELEN];
    sequencer.GetDeviceName(name);
    EXPECT_STREQ(name, "SOFTWARE SYNTH");

    // The SoundFont loads in the background; the program starts a song once
    // its sound is there (notes sent long before would be dropped).
    ASSERT_TRUE(WaitUntil([] { return !platform::GetSynthSoundState().loading; }));
    PlayerPlay();
    ASSERT_TRUE(WaitUntil([] { return !PlayerIsPlaying(); }));
    // The synth applies what it was sent as it renders, one buffer later.
    ASSERT_TRUE(WaitUntil(
        [&] { return platform::GetSoftwareSynthStats().note_ons >= before.note_ons + 5; }));
    const platform::SoftwareSynthStats after = platform::GetSoftwareSynthStats();
    EXPECT_EQ(after.note_ons, before.note_ons + 5);
    // Volume, reset, System On, program change and ten note messages.
    EXPECT_GE(after.events_applied, before.events_applied + 14);
    EXPECT_GT(after.frames_rendered, before.frames_rendered);
    EXPECT_GT(after.peak_level, 0.0f);  // the notes were heard, not only counted
    PlayerClose();
    unsetenv("NIVRA_SOUNDFONT");
}

TEST_F(SoftwareSynthTest, WithoutASoundFontDeviceZeroStaysClosedAndTheLoadFailsCleanly) {
    EXPECT_EXIT(
        {
            setenv("NIVRA_SOUNDFONT", "/nonexistent/nowhere.sf2", 1);
            HMIDIOUT handle = reinterpret_cast<HMIDIOUT>(1);
            if (midiOutOpen(&handle, 0, 0, 0, CALLBACK_NULL) == MMSYSERR_NOERROR)
                Finish("device 0 opened");
            if (handle != nullptr)
                Finish("handle left set");
            // The mapper moves on to the ports; with none that opens, it fails.
            const MMRESULT mapped = midiOutOpen(&handle, MIDI_MAPPER, 0, 0, CALLBACK_NULL);
            if (mapped == MMSYSERR_NOERROR) {
                midiOutClose(handle);
                if (midiOutGetNumDevs() < 2)
                    Finish("mapper opened a device that does not exist");
            }
            CSequencer sequencer;
            sequencer.SelectDevice(0);
            TempFile song(FiveNotes());
            if (PlayerOpen(song.Path()))
                Finish("song loaded without a device");
            if (PlayerIsLoaded() || sequencer.GetTrackCount() != 0)
                Finish("tracks kept after the failed load");
            PlayerPlay();  // nothing to play: no effect
            if (PlayerIsPlaying())
                Finish("playing without a song");
            Finish(nullptr);
        },
        ::testing::ExitedWithCode(0), "no General MIDI SoundFont");
}

TEST_F(SoftwareSynthTest, DefaultSearchFindsTheInstalledSoundFontAndTheLogRecordsDeviceZero) {
    if (InstalledSoundFont().empty())
        GTEST_SKIP() << "no General MIDI SoundFont installed";
    // The fresh process runs this test again from its start: it finds the
    // log named in the environment the first run left it.
    std::unique_ptr<TempFile> log;
    if (std::getenv("NIVRA_MIDI_LOG") == nullptr) {
        log = std::make_unique<TempFile>(Bytes{}, "midi.log");
        setenv("NIVRA_MIDI_LOG", log->Path(), 1);
    }
    const std::string log_path = std::getenv("NIVRA_MIDI_LOG");
    EXPECT_EXIT(
        {
            unsetenv("NIVRA_SOUNDFONT");
            HMIDIOUT handle = nullptr;
            if (midiOutOpen(&handle, 0, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR)
                Finish("device 0 did not open");
            midiOutShortMsg(handle, 0x643C90);
            midiOutClose(handle);
            Finish(nullptr);
        },
        ::testing::ExitedWithCode(0), "");
    unsetenv("NIVRA_MIDI_LOG");
    std::ifstream in(log_path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line.substr(line.find(' ') + 1));
    EXPECT_THAT(lines, ::testing::ElementsAre("open 0", "90 3C 64", "close"));
}

}  // namespace
