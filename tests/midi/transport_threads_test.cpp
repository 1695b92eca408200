// The transport settings and seeks from the main thread while the real timer
// plays: run under ThreadSanitizer as well; the time limit only keeps a
// fault from hanging the run.
#include <chrono>
#include <thread>

#include "engine_fixture.h"

using namespace song_bytes;
using namespace std::chrono_literals;

namespace {

// Two seconds of notes on four channels at 1 tick a millisecond.
Bytes BusySong() {
    Bytes events;
    for (int i = 0; i < 400; ++i) {
        const auto status = static_cast<std::uint8_t>(0x90 | i % 4);
        const auto key = static_cast<std::uint8_t>(40 + i % 30);
        events.insert(events.end(), {0x00, status, key, 0x64, 0x05, status, key, 0x00});
    }
    events.insert(events.end(), kEndOfTrack.begin(), kEndOfTrack.end());
    return Song(1000, {events});
}

}  // namespace

TEST_F(EngineTest, SettingsAndSeeksWhileTheTimerPlays) {
    platform::UseManualTimers(false);
    platform::UseManualClock(false);
    OpenAndPlay(BusySong());
    const std::int64_t length = sequencer->GetSongLengthMs();
    EXPECT_EQ(length, 2000);
    const auto give_up = std::chrono::steady_clock::now() + 20s;
    for (int step = 0; PlayerIsPlaying(); ++step) {
        ASSERT_LT(std::chrono::steady_clock::now(), give_up);
        sequencer->SetTranspose(step % 25 - 12);
        sequencer->SetTempoPercent(100 + step % 4 * 100);
        sequencer->SetChannelMuted(step % 4, step % 3 == 0);
        sequencer->SetSoloChannel(step % 7 == 0 ? step % 4 : CSequencer::NO_SOLO);
        if (step % 5 == 0)
            sequencer->SeekMs(std::min<std::int64_t>(length, step * 40));
        if (step % 11 == 0) {
            PlayerPause();
            sequencer->SeekMs(static_cast<std::int64_t>(PlayerGetPlayTime()) + 10);
            EXPECT_TRUE(PlayerIsPaused());
            PlayerPlay();
        }
        (void)sequencer->IsChannelAudible(step % 16);
        (void)sequencer->GetPositionTicks();
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_TRUE(PlayerIsLoaded());
    EXPECT_GE(PlayerGetPlayTime(), 2000u);
}
