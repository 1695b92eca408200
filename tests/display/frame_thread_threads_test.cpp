// The frame thread's handshake with the threads that suspend, wait for and
// stop it, and the palette's consistency while other threads change it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "display/frame_thread.h"
#include "display/palette.h"
#include "tests/support/scratch_folder.h"

namespace {

using namespace std::chrono_literals;

TEST(FrameThread, RunsWaitsSuspendsResumesAndStops) {
    CFrameThread frames;
    ASSERT_TRUE(frames.Start());
    EXPECT_FALSE(frames.Start());
    EXPECT_TRUE(frames.IsRunning());
    EXPECT_TRUE(frames.WaitFrame());

    EXPECT_EQ(frames.Suspend(true), 1);
    const auto drawn = frames.GetFrameCount();
    EXPECT_EQ(frames.Suspend(true), 2);  // nested: returns at once
    const auto before_wait = std::chrono::steady_clock::now();
    EXPECT_FALSE(frames.WaitFrame());
    EXPECT_LT(std::chrono::steady_clock::now() - before_wait, 50ms);
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(frames.GetFrameCount(), drawn) << "a frame was drawn while suspended";

    EXPECT_EQ(frames.Resume(), 1);
    EXPECT_FALSE(frames.WaitFrame());
    EXPECT_EQ(frames.Resume(), 0);
    EXPECT_EQ(frames.Resume(), 0);
    bool resumed = false;
    for (int attempt = 0; attempt < 5 && !resumed; ++attempt)
        resumed = frames.WaitFrame();
    EXPECT_TRUE(resumed);

    // Quick suspend/resume cycles: every acknowledged suspension holds.
    for (int cycle = 0; cycle < 20; ++cycle) {
        frames.Suspend(true);
        const auto held = frames.GetFrameCount();
        std::this_thread::sleep_for(20ms);
        EXPECT_EQ(frames.GetFrameCount(), held) << "cycle " << cycle;
        frames.Resume();
    }

    frames.Suspend(false);
    frames.Stop();  // stopping while suspended ends the thread
    EXPECT_FALSE(frames.IsRunning());
    EXPECT_FALSE(frames.WaitFrame());
    frames.Resume();
    EXPECT_TRUE(frames.Start());
    frames.Stop();
}

// The rate itself is measured by bench_frame; here the count shown after the
// first frame (1) gives way to a whole second's frames, never above the rate.
TEST(FrameThread, CountsItsFrameRate) {
    CFrameThread frames;
    ASSERT_TRUE(frames.Start());
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (frames.GetFps() <= 1 && std::chrono::steady_clock::now() < deadline)
        frames.WaitFrame();
    const WORD fps = frames.GetFps();
    frames.Stop();
    EXPECT_GT(fps, 1);
    EXPECT_LE(fps, 61);
}

// Two palette files, each one colour throughout: every Apply must send one
// file's colours entirely, never a mixture, while another thread loads.
TEST(PaletteThreads, ApplyIsNeverTornByConcurrentChanges) {
    const support::ScratchFolder folder("nivra-palette-threads");
    const auto red = folder / "red.act";
    const auto blue = folder / "blue.act";
    {
        std::ofstream r(red, std::ios::binary), b(blue, std::ios::binary);
        for (int i = 0; i < kPaletteEntryCount; ++i) {
            r.write("\xC0\x00\x00", 3);
            b.write("\x00\x00\xC0", 3);
        }
    }
    CPalette palette;
    ASSERT_TRUE(palette.LoadFromPath(red.c_str()));
    palette.Restore();
    std::atomic<bool> done{false};
    std::thread changer([&] {
        for (int i = 0; i < 300; ++i) {
            palette.LoadFromPath(i % 2 ? red.c_str() : blue.c_str());
            palette.SetBrightness(100);
            palette.SetEntry(250, RGB(i & 0xFF, 0, 0));
            palette.SetLink(200, 0);
        }
        done = true;
    });
    int torn = 0;
    while (!done) {
        palette.Apply();
        const auto output = palette.GetOutput();
        for (int i = 1; i < kFirstProgramEntry; ++i)
            if (output[i].peRed != output[0].peRed || output[i].peBlue != output[0].peBlue) {
                ++torn;
                break;
            }
    }
    changer.join();
    EXPECT_EQ(torn, 0);
}

}  // namespace
