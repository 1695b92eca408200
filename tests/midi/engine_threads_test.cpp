// The engine on its real timer thread: a song that closes itself while the
// main thread works the player, Play from the ended state, a timer stopped
// from inside its own callback, and the channel monitor read while playing.
// Run under ThreadSanitizer as well; the time limits only keep a fault from
// hanging the run.
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "engine_fixture.h"
#include "midi/channel_monitor.h"
#include "midi/midi_timer.h"

using namespace song_bytes;
using namespace std::chrono_literals;

namespace {

constexpr auto kLimit = 10s;

bool WaitUntil(const std::function<bool()>& done) {
    const auto give_up = std::chrono::steady_clock::now() + kLimit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > give_up)
            return false;
        std::this_thread::sleep_for(200us);
    }
    return true;
}

// Tempo 100,000 at division 96: a tick lasts about a millisecond.
const Bytes kFastTempo = {0x00, 0xFF, 0x51, 0x03, 0x01, 0x86, 0xA0};

// `count` notes on channel 1, each one tick long; with or without End of Track.
Bytes Notes(int count, bool terminated) {
    Bytes events = kFastTempo;
    for (int i = 0; i < count; ++i) {
        const auto key = static_cast<std::uint8_t>(36 + i % 60);
        events.insert(events.end(), {0x00, 0x90, key, 0x64, 0x01, 0x80, key, 0x00});
    }
    if (terminated)
        events.insert(events.end(), kEndOfTrack.begin(), kEndOfTrack.end());
    return Song(96, {events});
}

class EngineThreadsTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        // The real clock and one timer thread per timer.
        platform::UseManualTimers(false);
        platform::UseManualClock(false);
    }
    int Opens() const {
        int opens = 0;
        for (auto& entry : recording->Entries())
            opens += entry.text.rfind("open", 0) == 0;
        return opens;
    }
};

// Stops itself from inside its callback on the `stop_at`th period.
class SelfStoppingTimer : public CMidiTimer {
public:
    explicit SelfStoppingTimer(int stop_at) : stopAt(stop_at) {}
    ~SelfStoppingTimer() override { Stop(); }
    void OnTimer() override {
        if (calls.fetch_add(1) + 1 != stopAt)
            return;
        WaitIdle();  // must not wait for this very callback either
        Stop();
        stoppedInside.store(true);
    }
    const int stopAt;
    std::atomic<int> calls{0};
    std::atomic<bool> stoppedInside{false};
};

TEST_F(EngineThreadsTest, SongClosedFromTheTimerWhileTheMainThreadWorksThePlayer) {
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(Open(Notes(8 + round % 5, false)));
        PlayerPlay();
        int step = 0;
        // Every operation the keys and panels use, until the song runs off
        // its unterminated track and closes itself on the timer thread.
        ASSERT_TRUE(WaitUntil([&] {
            // Pausing restarts the timer on resume, so it comes rarely
            // enough for the song to reach its end.
            switch (step++ % 24) {
                case 0:
                    PlayerPause();
                    break;
                case 1:
                    PlayerPlay();
                    break;
                case 2:
                    sequencer->SelectDevice(static_cast<UINT>(step / 24 % 2));
                    break;
                case 3:
                    PlayerSetVolume(step & 0xFF);
                    break;
                default: {
                    char name[MAXPNAMELEN];
                    sequencer->GetDeviceName(name);
                    (void)PlayerGetVolume();
                    (void)PlayerGetPlayTime();
                    (void)sequencer->GetTempoIndex();
                    (void)sequencer->GetPositionTicks();
                    break;
                }
            }
            return !PlayerIsLoaded();
        }));
        EXPECT_FALSE(PlayerIsPlaying());
        EXPECT_EQ(sequencer->GetTrackCount(), 0);
        // No device stays open behind a closed song.
        ASSERT_TRUE(WaitUntil([&] { return Opens() == Count("close"); }));
        sequencer->SelectDevice(0);
        recording->Clear();
    }
}

// A stop while a period is being sent: the callback in flight must not leave
// the song marked as playing, or the next Play would do nothing.
TEST_F(EngineThreadsTest, StopDuringABusyPeriodLeavesTheSongStopped) {
    // Four tracks of 40 controller changes every tick, a tick about 1 ms.
    Bytes busy = kFastTempo;
    for (int tick = 0; tick < 150; ++tick) {
        busy.insert(busy.end(), {0x01, 0xB0, 0x07, static_cast<std::uint8_t>(tick % 128)});
        for (int i = 1; i < 40; ++i)
            busy.insert(busy.end(), {0x00, static_cast<std::uint8_t>(i % 128)});
    }
    busy.insert(busy.end(), kEndOfTrack.begin(), kEndOfTrack.end());
    ASSERT_TRUE(Open(Song(96, {busy, busy, busy, busy})));
    int stale = 0;
    for (int round = 0; round < 60; ++round) {
        recording->Clear();
        PlayerPlay();
        std::this_thread::sleep_for(std::chrono::microseconds(2000 + 97 * round % 1500));
        PlayerStop();
        stale += PlayerIsPlaying() ? 1 : 0;
    }
    EXPECT_EQ(stale, 0) << "stops that left the song marked as playing";
}

TEST_F(EngineThreadsTest, NextSongLoadsTheMomentThePreviousOneClosedItself) {
    ASSERT_TRUE(Open(Notes(2, false)));
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        PlayerPlay();
        const auto give_up = std::chrono::steady_clock::now() + kLimit;
        // No pause between seeing the close and loading: the closing
        // callback may not have returned yet.
        while (PlayerIsLoaded() && std::chrono::steady_clock::now() < give_up) {
        }
        ASSERT_FALSE(PlayerIsLoaded());
        ASSERT_TRUE(Open(Notes(2 + round % 3, false)));
        EXPECT_EQ(sequencer->GetTrackCount(), 1);
    }
}

TEST_F(EngineThreadsTest, PlayFromTheEndedStateRestartsTheSameWayEveryTime) {
    ASSERT_TRUE(Open(Notes(3, true)));
    for (int round = 0; round < 30; ++round) {
        SCOPED_TRACE(round);
        recording->Clear();
        PlayerPlay();
        ASSERT_TRUE(WaitUntil([] { return !PlayerIsPlaying(); }));
        // Ended: the timer still runs while the next Play rewinds the tracks.
        ASSERT_TRUE(sequencer->IsRunning());
        EXPECT_THAT(Messages(),
                    ::testing::ElementsAre("F0 7E 7F 09 01 F7", "90 24 64", "80 24 00", "90 25 64",
                                           "80 25 00", "90 26 64", "80 26 00"));
    }
    EXPECT_TRUE(PlayerIsLoaded());
}

TEST_F(EngineThreadsTest, StopFromInsideTheCallbackDoesNotWaitForItself) {
    SelfStoppingTimer timer(3);
    ASSERT_TRUE(timer.Start(1));
    ASSERT_TRUE(WaitUntil([&] { return timer.stoppedInside.load(); }));
    EXPECT_FALSE(timer.IsRunning());
    timer.Stop();  // waits for the callback that stopped it, if still inside
    const int calls = timer.calls.load();
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(timer.calls.load(), calls);
    EXPECT_EQ(calls, 3);
    // It starts again after stopping itself.
    ASSERT_TRUE(timer.Start(1));
    ASSERT_TRUE(WaitUntil([&] { return timer.calls.load() > 3; }));
    timer.Stop();
}

TEST_F(EngineThreadsTest, ChannelMonitorIsReadWhilePlaying) {
    ASSERT_TRUE(Open(Notes(200, true)));
    PlayerPlay();
    std::atomic<bool> done{false};
    std::atomic<int> bad_reads{0};
    std::atomic<int> passes{0};
    // What the frame thread does each frame: every record, every slot.
    std::thread reader([&] {
        CChannelMonitor& monitor = GetChannelMonitor();
        std::uint32_t last_count = 0;
        while (!done.load()) {
            const std::uint32_t count = monitor.GetSendPackets();
            if (count < last_count)
                bad_reads.fetch_add(1);
            last_count = count;
            for (int channel = 0; channel < CChannelMonitor::CHANNEL_COUNT; ++channel) {
                const ChannelInfo* info = monitor.GetChannelInfo(channel);
                if (info == nullptr || info->volume.load() > 127 || info->pan.load() > 127)
                    bad_reads.fetch_add(1);
                for (int slot = 0; slot < ChannelInfo::SLOT_COUNT; ++slot)
                    if (const NoteSlot* note = info->GetNoteSlot(slot);
                        note != nullptr && note->note.load() > 95)
                        bad_reads.fetch_add(1);
            }
            passes.fetch_add(1);
        }
    });
    const bool ended = WaitUntil([] { return !PlayerIsPlaying(); });
    done.store(true);
    reader.join();
    ASSERT_TRUE(ended);
    EXPECT_EQ(bad_reads.load(), 0);
    EXPECT_GT(passes.load(), 0);
    EXPECT_EQ(GetChannelMonitor().GetSendPackets(), 400u);
    // Every note that was turned on was turned off again.
    for (int slot = 0; slot < ChannelInfo::SLOT_COUNT; ++slot)
        EXPECT_EQ(GetChannelMonitor().GetChannelInfo(0)->GetNoteSlot(slot), nullptr);
}

}  // namespace
