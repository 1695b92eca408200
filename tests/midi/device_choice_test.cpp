// The device chosen is kept by its name while ports come, go and are
// numbered anew at each listing; the software synth (device 0) takes the
// place of one that went away.
#include "engine_fixture.h"

using namespace song_bytes;

TEST_F(EngineTest, TheChosenDeviceIsFoundByItsNameAndTheSynthReplacesItWhenGone) {
    recording = platform::InstallMidiRecording(3);
    const auto opens = [this](UINT device) {
        int count = 0;
        for (const auto& entry : recording->Entries())
            count += entry.device_id == device && entry.text.rfind("open", 0) == 0;
        return count;
    };
    char name[MAXPNAMELEN];
    sequencer->SelectDevice(2);
    // A listing after a port came: device 2 is numbered 1 now, device 1 is 2.
    recording->SetPlugged({0, 2, 1});
    midiOutGetNumDevs();
    OpenAndPlay(
        Song(96, {Concat({{0x00, 0x90, 0x3C, 0x40, 0x83, 0x60, 0x80, 0x3C, 0x00}, kEndOfTrack})}));
    EXPECT_EQ(opens(2), 1);
    EXPECT_EQ(opens(1), 0);
    EXPECT_EQ(sequencer->GetSelectedDevice(), 1u);
    sequencer->GetDeviceName(name);
    EXPECT_STREQ(name, "RECORDING DEVICE 2");

    // The port goes away while the song plays: it goes on on device 0.
    recording->SetPlugged({0, 1});
    sequencer->FollowDeviceList();
    EXPECT_EQ(sequencer->GetLostDeviceCount(), 1u);
    EXPECT_EQ(sequencer->GetLostDeviceName(), "RECORDING DEVICE 2");
    EXPECT_EQ(sequencer->GetSelectedDevice(), CSequencer::SOFTWARE_SYNTH);
    EXPECT_EQ(opens(0), 1);
    EXPECT_TRUE(PlayerIsPlaying());
    sequencer->GetDeviceName(name);
    EXPECT_STREQ(name, "RECORDING DEVICE 0");
}
