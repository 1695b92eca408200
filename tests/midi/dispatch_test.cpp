#include "engine_fixture.h"
#include "midi/channel_monitor.h"

using namespace song_bytes;

using ::testing::ElementsAre;

// The device takes its kept volume when it opens; Play applies the song's.
TEST_F(EngineTest, PlayStartsWithVolumeResetAndSystemOn) {
    OpenAndPlay(Song(96, {kEndOfTrack}));
    std::vector<std::string> texts;
    for (auto& entry : recording->Entries())
        texts.push_back(entry.text);
    EXPECT_THAT(texts, ElementsAre("open 0", "volume FFFFFFFF", "volume FF00FF00", "reset",
                                   "F0 7E 7F 09 01 F7"));
}

TEST_F(EngineTest, RunningStatusSysExAndMetaEventsAreSentAsTheFileSays) {
    Bytes events = {0x00, 0x90, 0x3C, 0x64,             // note on
                    0x00, 0x3E, 0x50,                   // running status
                    0x00, 0xFF, 0x01, 0x02, 'h',  'i',  // text: nothing sent
                    0x00, 0x90, 0x40, 0x51,             // a meta event ends running status
                    0x00, 0xF0, 0x05, 0x41, 0x10, 0x42,
                    0x12, 0xF7, 0x00, 0xC1, 0x05,  // one data byte
                    0x00, 0xF8,                    // real-time status: no data
                    0x00, 0xE2, 0x00, 0x40};
    OpenAndPlay(Song(96, {Concat({events, kEndOfTrack})}));
    Periods(1);
    EXPECT_THAT(SongMessages(), ElementsAre("90 3C 64", "90 3E 50", "90 40 51", "F0 41 10 42 12 F7",
                                            "C1 05", "E2 00 40"));
    EXPECT_EQ(GetChannelMonitor().GetSendPackets(), 5u);
    EXPECT_EQ(GetChannelMonitor().GetChannelInfo(1)->program, 5);
}

TEST_F(EngineTest, NoTempoEventMeansOneQuarterNotePerSecond) {
    // division 96: the note-off at tick 96 is due after exactly one second.
    OpenAndPlay(
        Song(96, {Concat({{0x00, 0x90, 0x3C, 0x64, 0x60, 0x80, 0x3C, 0x00}, kEndOfTrack})}));
    Periods(1000);
    EXPECT_THAT(SongMessages(), ElementsAre("90 3C 64"));
    Periods(1);
    EXPECT_THAT(SongMessages(), ElementsAre("90 3C 64", "80 3C 00"));
}

TEST_F(EngineTest, TempoChangeKeepsThePositionContinuous) {
    // At tick 96 (1 s) the tempo doubles to 500,000; the next 96 ticks take 0.5 s.
    Bytes events = {0x60, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x60, 0x90, 0x3C, 0x64};
    OpenAndPlay(Song(96, {Concat({events, kEndOfTrack})}));
    Periods(1001);
    EXPECT_EQ(sequencer->GetTempo(), 500'000u);
    EXPECT_EQ(sequencer->GetTempoIndex(), 125);
    EXPECT_EQ(sequencer->GetPositionTicks(), 96u);
    Periods(499);
    EXPECT_TRUE(SongMessages().empty());
    Periods(1);
    EXPECT_THAT(SongMessages(), ElementsAre("90 3C 64"));
}

TEST_F(EngineTest, SetTempoWithoutDataKeepsThePreviousTempo) {
    Bytes events = {0x00, 0xFF, 0x51, 0x00, 0x00, 0xFF, 0x51, 0x03,
                    0x00, 0x00, 0x00, 0x60, 0x90, 0x3C, 0x64};
    OpenAndPlay(Song(96, {Concat({events, kEndOfTrack})}));
    Periods(1001);
    EXPECT_EQ(sequencer->GetTempo(), 1'000'000u);
    EXPECT_THAT(SongMessages(), ElementsAre("90 3C 64"));
}

TEST_F(EngineTest, TracksAtOneTickGoOutInTrackOrder) {
    Bytes first = Concat({{0x0A, 0x91, 0x40, 0x40, 0x00, 0x91, 0x41, 0x40}, kEndOfTrack});
    Bytes second = Concat({{0x0A, 0x92, 0x30, 0x40}, kEndOfTrack});
    Bytes third = Concat({{0x05, 0x93, 0x20, 0x40}, kEndOfTrack});
    OpenAndPlay(Song(1000, {second, first, third}));  // 1 tick a millisecond
    Periods(20);
    EXPECT_THAT(SongMessages(), ElementsAre("93 20 40", "92 30 40", "91 40 40", "91 41 40"));
}

TEST_F(EngineTest, TrackWithoutEndOfTrackClosesTheSong) {
    OpenAndPlay(Song(96, {{0x00, 0x90, 0x3C, 0x64}}));
    const int resets_before = Count("reset");
    Periods(1);
    EXPECT_FALSE(PlayerIsLoaded());
    EXPECT_FALSE(PlayerIsPlaying());
    EXPECT_EQ(sequencer->GetTrackCount(), 0);
    EXPECT_EQ(Count("close"), 1);
    EXPECT_EQ(Count("reset") - resets_before, 2) << "closed as a stop and close would";
    Periods(5);  // the timer is gone: nothing more happens
    EXPECT_THAT(SongMessages(), ElementsAre("90 3C 64"));
}

TEST_F(EngineTest, SysExLongerThanTheTrackEndsTheSongWithoutSendingIt) {
    Bytes events = {0x00, 0xF0, 0x8F, 0xFF, 0xFF, 0x7F, 0x41};  // claims ~4 GB
    OpenAndPlay(Song(96, {events}));
    Periods(1);
    EXPECT_FALSE(PlayerIsLoaded());
    EXPECT_TRUE(SongMessages().empty());
}

TEST_F(EngineTest, TruncatedFirstDeltaLeavesTheTrackInactive) {
    OpenAndPlay(Song(96, {{0x81}, Concat({{0x00, 0x90, 0x3C, 0x64}, kEndOfTrack})}));
    EXPECT_FALSE(sequencer->GetTrack(0)->IsActive());
    Periods(1);
    EXPECT_THAT(SongMessages(), ElementsAre("90 3C 64"));
    EXPECT_TRUE(PlayerIsLoaded());
}

// On a device without a volume of its own the player's volume scales every
// channel volume it sends: the song's, those a change of volume alters, and
// the defaults a reset (the start message, the song's GS reset) brings back.
TEST_F(EngineTest, VolumeOnADeviceWithoutOneScalesTheChannelVolumes) {
    recording->SetOwnVolume(0, false);
    const auto channel_volumes = [this] {
        std::vector<std::string> sent;
        for (const auto& message : Messages())
            if (message[0] == 'B' && message.substr(3, 2) == "07")
                sent.push_back(message);
        recording->Clear();
        return sent;
    };
    const auto every_channel = [](const char* value) {
        std::vector<std::string> sent;
        for (const char* channel :
             {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "A", "B", "C", "D", "E", "F"})
            sent.push_back(std::string("B") + channel + " 07 " + value);
        return sent;
    };
    sequencer->SetVolume(64);  // the root of a quarter: the channel volumes halved
    OpenAndPlay(Song(96, {Concat({{0x00, 0xB0, 0x07, 0x64, 0x0A, 0xF0, 0x0A, 0x41, 0x10, 0x42, 0x12,
                                   0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7},
                                  kEndOfTrack})}));
    EXPECT_EQ(channel_volumes(), every_channel("32"));
    Periods(1);
    EXPECT_THAT(channel_volumes(), ElementsAre("B0 07 32"));
    EXPECT_EQ(sequencer->GetVolume(), 64);
    sequencer->SetVolume(255);
    Periods(1);
    EXPECT_EQ(channel_volumes(), every_channel("64"));
    sequencer->SetVolume(64);
    Periods(1);
    EXPECT_EQ(channel_volumes(), every_channel("32"));
    Periods(200);  // the GS reset
    EXPECT_EQ(channel_volumes(), every_channel("32"));
}
