// Play-through when a song is chosen while another plays: the song before
// may end while the loading message waits for its frame, and that end must
// not be taken for the end of the song just chosen.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "app/song_steps.h"
#include "display/display.h"
#include "display/frame_thread.h"
#include "gfx/panel_list.h"
#include "gfx/surface.h"
#include "midi/player.h"
#include "midi/sequencer.h"
#include "panels/file_list.h"
#include "panels/song_start.h"
#include "panels/status_bar_panel.h"
#include "platform/message.h"
#include "platform/winmm.h"
#include "tests/midi/song_bytes.h"

namespace {

using namespace song_bytes;

// A frame held on the frame thread until the main thread pumps messages,
// which it does only while it waits for a frame: the pump then fires one
// timer period by hand, as the timer thread would during that wait.
enum Hold { kOff, kArmed, kHolding };
std::atomic<int> hold{kOff};

void HoldFrame(IDirectDrawSurface*) {
    int armed = kArmed;
    if (!hold.compare_exchange_strong(armed, kHolding))
        return;
    while (hold.load() == kHolding)
        std::this_thread::yield();
}

void FirePeriodWhileWaiting() {
    if (hold.load() != kHolding)
        return;
    platform::FireManualTimers(1);
    hold.store(kOff);
}

TEST(PlayThrough, AnEndWhileTheNextSongLoadsDoesNotSkipIt) {
    setenv("NIVRA_VIDEO", "headless", 1);
    ASSERT_TRUE(GetDisplay().Create(2) && GetDisplay().SetDisplayMode(640, 480, 8, 0) == DD_OK);
    CSurface primary;
    ASSERT_EQ(primary.Create(DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX, nullptr), 1);
    AttachSurfaces(primary.surface, nullptr);
    SetFrameDrawHook(HoldFrame);
    platform::UseManualTimers(true);
    auto recording = platform::InstallMidiRecording(1);
    auto sequencer = std::make_unique<CSequencer>();
    new CStatusBarPanel;  // owned by the panel list

    // "a.mid" ends on its second period; the others play on.
    support::ScratchFolder folder;
    const Bytes long_note = {0x00, 0x90, 0x3C, 0x40, 0x81, 0x00, 0x80, 0x3C, 0x00};
    const auto write = [&](const char* name, const Bytes& song) {
        folder.WriteFile(name, std::string(song.begin(), song.end()));
    };
    write("a.mid", Song(96, {kEndOfTrack}));
    write("b.mid", Song(96, {Concat({long_note, kEndOfTrack})}));
    write("c.mid", Song(96, {Concat({long_note, kEndOfTrack})}));
    support::WorkingDirectory inside(folder.Path());
    const std::string here = CurrentDirectory();
    PlayerSetPlayThrough(true);

    ASSERT_TRUE(StartSong({here, "a.mid"}));
    platform::FireManualTimers(1);
    ASSERT_TRUE(StartFrameThread());
    platform::SetMessagePump(FirePeriodWhileWaiting);
    hold.store(kArmed);
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (hold.load() != kHolding && std::chrono::steady_clock::now() < give_up)
        std::this_thread::yield();
    ASSERT_EQ(hold.load(), kHolding) << "no frame was drawn";
    const std::uint32_t ends_before = sequencer->GetEndCount();
    ASSERT_TRUE(StartSong({here, "b.mid"}));
    ASSERT_EQ(sequencer->GetEndCount(), ends_before + 1);  // "a.mid" ended on the way
    FollowSongEnds();
    EXPECT_EQ(LastStartedSong().name, "b.mid");
    EXPECT_TRUE(PlayerIsPlaying());

    platform::SetMessagePump(nullptr);
    StopFrameThread();
    SetFrameDrawHook(nullptr);
    AttachSurfaces(nullptr, nullptr);
    PlayerSetPlayThrough(false);
    DestroyAll();
    sequencer.reset();
    platform::RemoveMidiRecording();
    platform::UseManualTimers(false);
}

}  // namespace
