#include "engine_fixture.h"

using namespace song_bytes;

using ::testing::ElementsAre;

namespace {

// Notes at ticks 0, 100 and 200 (1 tick a millisecond), then the end at 300.
Bytes ThreeNotes() {
    return Song(1000, {{0x00, 0x90, 0x30, 0x40, 0x64, 0x90, 0x31, 0x40, 0x64, 0x90, 0x32, 0x40,
                        0x64, 0xFF, 0x2F, 0x00}});
}

}  // namespace

TEST_F(EngineTest, PausedPeriodsDoNotMoveThePosition) {
    OpenAndPlay(ThreeNotes());
    Periods(50);
    PlayerPause();
    EXPECT_TRUE(PlayerIsPaused());
    EXPECT_TRUE(PlayerIsPlaying());
    Periods(500);
    EXPECT_EQ(PlayerGetPlayTime(), 50u);
    PlayerPlay();
    EXPECT_FALSE(PlayerIsPaused());
    Periods(51);
    EXPECT_THAT(SongMessages(), ElementsAre("90 30 40", "90 31 40"));
    EXPECT_EQ(Count("reset"), 2);  // start of song, pause
}

TEST_F(EngineTest, StopThenPlayStartsFromTheBeginning) {
    OpenAndPlay(ThreeNotes());
    Periods(150);
    PlayerStop();
    EXPECT_FALSE(PlayerIsPlaying());
    Periods(100);  // timer stopped
    PlayerPlay();
    Periods(1);
    EXPECT_THAT(SongMessages(), ElementsAre("90 30 40", "90 31 40", "90 30 40"));
    EXPECT_EQ(PlayerGetPlayTime(), 1u);
}

TEST_F(EngineTest, EndedSongIdlesAndPlayRestartsIt) {
    OpenAndPlay(ThreeNotes());
    Periods(320);
    EXPECT_FALSE(PlayerIsPlaying());
    EXPECT_EQ(PlayerGetPlayTime(), 301u);
    const std::size_t sent = Messages().size();
    Periods(100);
    EXPECT_EQ(Messages().size(), sent);  // nothing at the end of the song
    PlayerPlay();
    EXPECT_TRUE(PlayerIsPlaying());
    Periods(1);
    EXPECT_EQ(SongMessages().size(), 4u);
}

TEST_F(EngineTest, RepeatRestartsOnePeriodAfterTheEndWithTheStartMessage) {
    OpenAndPlay(ThreeNotes());
    PlayerSetRepeat(true);
    Periods(301);  // the End of Track at tick 300 is dispatched in period 301
    const int starts = static_cast<int>(Messages().size() - SongMessages().size());
    Periods(1);  // this period finds no active track and restarts
    EXPECT_EQ(PlayerGetPlayTime(), 0u);
    EXPECT_EQ(static_cast<int>(Messages().size() - SongMessages().size()), starts + 1);
    Periods(1);
    EXPECT_EQ(SongMessages().back(), "90 30 40");
    EXPECT_TRUE(PlayerIsPlaying());
}

TEST_F(EngineTest, AnEndIsCountedOnceWhenTheSongEndsByItselfAndNeverOnRepeatStopOrPause) {
    const std::uint32_t before = sequencer->GetEndCount();
    OpenAndPlay(ThreeNotes());
    PlayerPause();
    PlayerPlay();
    PlayerStop();
    PlayerPlay();
    Periods(320);
    Periods(100);  // the ended song idles
    EXPECT_EQ(sequencer->GetEndCount(), before + 1);
    PlayerSetRepeat(true);
    PlayerPlay();
    Periods(1000);  // three runs through the song
    EXPECT_EQ(sequencer->GetEndCount(), before + 1);
}

TEST_F(EngineTest, DeviceChangeWhilePlayingResumesAtThePosition) {
    OpenAndPlay(ThreeNotes());
    Periods(150);
    sequencer->SelectDevice(1);
    EXPECT_TRUE(PlayerIsPlaying());
    EXPECT_FALSE(PlayerIsPaused());
    Periods(51);
    auto entries = recording->Entries();
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries.back().device_id, 1u);
    EXPECT_EQ(entries.back().text, "90 32 40");
    char name[32];
    sequencer->GetDeviceName(name);
    EXPECT_STREQ(name, "RECORDING DEVICE 1");
}

TEST_F(EngineTest, DeviceChangeWhilePausedStaysPaused) {
    OpenAndPlay(ThreeNotes());
    Periods(150);
    PlayerPause();
    sequencer->SelectDevice(1);
    EXPECT_TRUE(PlayerIsPaused());
    Periods(200);
    EXPECT_EQ(PlayerGetPlayTime(), 150u);
    PlayerPlay();
    Periods(51);
    EXPECT_EQ(recording->Entries().back().text, "90 32 40");
}

TEST_F(EngineTest, VolumeGoesToTheDeviceAndReadsBack) {
    ASSERT_TRUE(Open(ThreeNotes()));
    PlayerSetVolume(0x80);
    EXPECT_EQ(Count("volume 80008000"), 1);
    EXPECT_EQ(PlayerGetVolume(), 0x80);
    PlayerClose();
    EXPECT_EQ(PlayerGetVolume(), 0);  // nothing loaded
    char name[32];
    sequencer->GetDeviceName(name);
    EXPECT_STREQ(name, "(DEVICE READY)");
    EXPECT_EQ(sequencer->GetDriverVersion(), 0u);
}

TEST_F(EngineTest, OperationsWithoutASongDoNothing) {
    PlayerPlay();
    PlayerPause();
    PlayerStop();
    PlayerSetRepeat(true);
    EXPECT_FALSE(PlayerIsPlaying());
    EXPECT_FALSE(PlayerGetRepeat());
    EXPECT_STREQ(PlayerGetPath(), "");
    EXPECT_TRUE(recording->Entries().empty());
    sequencer->SelectDevice(1);  // takes effect at the next load
    ASSERT_TRUE(Open(ThreeNotes()));
    EXPECT_EQ(recording->Entries().front().text, "open 1");
}
