// The monitors at work: the program's start-up builds all eight panels
// in-process (headless, the file selector focused), a dense song (16
// channels, six held notes each, moving controllers and bends) plays on the
// recording device, and the main thread runs the message loop.
//
//  1. The frame thread for --seconds: frame rate, gaps between frame starts
//     and the CPU of the whole process per second.
//  2. The frame thread's frame run by a pacer of our own while the song
//     goes on: the cost of one frame with every panel drawing.
//
// Usage: bench_monitors [--seconds N]   (default 20)
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "app/application.h"
#include "bench/bench_songs.h"
#include "bench/bench_support.h"
#include "bench/frame_timing.h"
#include "gfx/panel_list.h"
#include "midi/player.h"
#include "platform/winmm.h"
#include "tests/support/nivra_process.h"

namespace {

constexpr int kHeldNotesPerChannel = 6;

}  // namespace

int main(int argc, char** argv) {
    const double seconds = bench::NumberArgument(argc, argv, "--seconds", 20);
    const e2e::ScratchFolder runtime("nivra-bench");
    setenv("NIVRA_VIDEO", "headless", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
    std::printf("bench_monitors (load average %s)\n", bench::LoadAverage().c_str());

    auto recording = platform::InstallMidiRecording(1);
    // Made before start-up so that it is first in the drawing order: it
    // notes each frame right after the background copy.
    auto* probe = new bench::FrameProbePanel(false);  // the panel list owns it
    CApplication application;
    if (!application.Init()) {
        std::fprintf(stderr,
                     "bench_monitors: start-up failed (palette files beside the "
                     "benchmark?)\n");
        return 1;
    }
    std::printf("  %u panels besides the probe\n", GetPanelCount() - 1);

    // Long enough that the song never ends during the measurements.
    const song_bytes::TempFile song(bench::DenseSong(2 * seconds + 30, kHeldNotesPerChannel),
                                    "DENSE.MID");
    if (!PlayerOpen(song.Path())) {
        std::fprintf(stderr, "bench_monitors: the dense song did not load\n");
        application.Exit();
        return 1;
    }
    PlayerPlay();
    Broadcast(NOTIFY_PLAY_RESTART);
    bench::PumpMessages(1.5);  // the meters fill and the frame rate is counted

    bench::TargetBoard board;
    recording->Clear();
    const double cpu_before = bench::ProcessCpuSeconds();
    const double wall_before = bench::WallSeconds();
    const bench::FrameThreadFigures thread =
        bench::WatchFrameThread(*probe, static_cast<int>(seconds), bench::PumpMessages);
    const double cpu_percent =
        (bench::ProcessCpuSeconds() - cpu_before) / (bench::WallSeconds() - wall_before) * 100;
    const std::size_t messages = recording->Messages().size();

    std::printf("frame thread with every panel: %.0f s, %zu MIDI messages recorded\n", seconds,
                messages);
    thread.Report(board);
    board.AtMost("whole process with the recording device", cpu_percent, 15, "%");

    // The frame thread is stopped now; frames run on a pacer of our own
    // while the main thread keeps the message loop going.
    bench::PacedFigures paced;
    std::atomic<bool> paced_done{false};
    std::thread frames([&] {
        paced = bench::RunPacedFrames(static_cast<std::size_t>(seconds * bench::kFrameRate));
        paced_done.store(true);
    });
    while (!paced_done.load())
        bench::PumpMessages(0.1);
    frames.join();
    std::printf("paced frames with every panel: %d gaps over %.1f s\n", paced.gaps.total,
                paced.seconds);
    paced.gaps.Print("paced");
    bench::TargetBoard::Figure("one frame, p50", paced.frame_ms.p50, "ms");
    board.AtMost("one frame, p99", paced.frame_ms.p99, 3, "ms");
    bench::TargetBoard::Figure("one frame, max", paced.frame_ms.max, "ms");

    PlayerStop();
    application.Exit();
    platform::RemoveMidiRecording();
    board.Summary("bench_monitors");
    return 0;
}
