// Frame pacing and frame cost, headless, with one full-screen test panel on
// the main window's flip chain and canvas; then the whole program idle at the
// file selector.
//
//  1. The frame pacer on the system clock runs the frame thread's frame
//     (background copy, DrawAll, palette, present) for --seconds: the gaps
//     between frame starts, each frame's duration and the CPU the thread
//     spends while the pacer waits between frames.
//     The same again on a thread of raised priority, for comparison.
//  2. The frame thread itself for a few seconds: its frame rate and gaps.
//  3. build/nivra headless at the file selector: its CPU while idle, from a
//     short and a long run (the difference leaves start-up and exit out).
//
// Usage: bench_frame [--seconds N] [--idle-seconds N]   (defaults 20 and 20)
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>

#include "app/error_box.h"
#include "app/main_window.h"
#include "bench/bench_support.h"
#include "bench/frame_timing.h"
#include "gfx/panel_list.h"
#include "tests/support/nivra_process.h"

namespace {

// The main window's display, surfaces and palette as start-up builds them,
// with the test panel as the only panel.
bool BuildScreen(CMainWindow& window) {
    window.Create();
    CDisplay& display = GetDisplay();
    if (!display.Create(2))
        return false;
    display.SetCooperativeLevel(window.GetHandle(),
                                DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT | DDSCL_EXCLUSIVE);
    if (display.SetDisplayMode(kScreenWidth, kScreenHeight, kScreenBitsPerPixel, 0) != DD_OK)
        return false;
    window.CreateSurfaces();
    return CreateAll() == 1;
}

void MeasureScreen(bench::FrameProbePanel& panel, double seconds, bench::TargetBoard& board) {
    const bench::PacedFigures paced =
        bench::RunPacedFrames(static_cast<std::size_t>(seconds * bench::kFrameRate));
    std::printf("paced frames with a full-screen test panel: %d gaps over %.1f s\n",
                paced.gaps.total, paced.seconds);
    paced.gaps.Print("paced");
    board.AtLeast("gaps of 16 or 17 ms", paced.gaps.InRangePercent(), 100, "%");
    bench::TargetBoard::Figure("gaps as the carried remainder schedules them",
                               paced.gaps.ScheduledPercent(), "%");
    board.AtMost("frame thread CPU while the pacer waits", paced.waiting_cpu_percent, 5, "%");
    bench::TargetBoard::Figure("one frame, p50", paced.frame_ms.p50, "ms");
    board.AtMost("one frame, p99", paced.frame_ms.p99, 2, "ms");
    bench::TargetBoard::Figure("one frame, max", paced.frame_ms.max, "ms");

    // The same frames on a thread of raised priority, to show how much of
    // any lateness the scheduler's other work causes.
    const bench::PacedFigures raised = bench::RunPacedFrames(
        static_cast<std::size_t>(seconds * bench::kFrameRate), THREAD_PRIORITY_TIME_CRITICAL);
    raised.gaps.Print("paced at raised priority");
    bench::TargetBoard::Figure("gaps of 16 or 17 ms at raised priority",
                               raised.gaps.InRangePercent(), "%");

    StartFrameThread();
    bench::SleepSeconds(1.2);  // the frame rate is counted over whole seconds
    const bench::FrameThreadFigures thread = bench::WatchFrameThread(panel, 5, bench::SleepSeconds);
    std::printf("frame thread with the test panel:\n");
    thread.Report(board);
}

struct ProgramRun {
    double wall_seconds = 0;
    double cpu_seconds = 0;
    int exit_code = 0;
};

// The real program at the file selector until Escape at `escape_ms`.
ProgramRun RunProgramIdle(int escape_ms) {
    e2e::RunOptions options;
    options.script = {{escape_ms, "ESCAPE"}};
    options.timeout_seconds = escape_ms / 1000 + 30;
    rusage before{};
    getrusage(RUSAGE_CHILDREN, &before);
    const double started = bench::WallSeconds();
    e2e::NivraProcess program(options);
    ProgramRun run;
    run.exit_code = program.WaitForExit();
    run.wall_seconds = bench::WallSeconds() - started;
    rusage after{};
    getrusage(RUSAGE_CHILDREN, &after);
    run.cpu_seconds = bench::CpuSecondsOf(after) - bench::CpuSecondsOf(before);
    return run;
}

void MeasureIdleProgram(double idle_seconds, bench::TargetBoard& board) {
    const ProgramRun brief = RunProgramIdle(3000);
    const ProgramRun idle = RunProgramIdle(3000 + static_cast<int>(idle_seconds * 1000));
    std::printf(
        "idle program: %.1f s run used %.3f s CPU (exit %d), %.1f s run used %.3f s "
        "(exit %d)\n",
        brief.wall_seconds, brief.cpu_seconds, brief.exit_code, idle.wall_seconds, idle.cpu_seconds,
        idle.exit_code);
    if (brief.exit_code != 0 || idle.exit_code != 0) {
        std::printf("  the program did not exit cleanly; no idle figure\n");
        board.AtMost("whole program idle at the file selector", 100, 10, "%");
        return;
    }
    bench::TargetBoard::Figure("whole program over the long run",
                               idle.cpu_seconds / idle.wall_seconds * 100, "%");
    const double extra_wall = idle.wall_seconds - brief.wall_seconds;
    board.AtMost("whole program idle at the file selector",
                 (idle.cpu_seconds - brief.cpu_seconds) / extra_wall * 100, 10, "%");
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = bench::NumberArgument(argc, argv, "--seconds", 20);
    const double idle_seconds = bench::NumberArgument(argc, argv, "--idle-seconds", 20);
    setenv("NIVRA_VIDEO", "headless", 1);
    std::printf("bench_frame (load average %s)\n", bench::LoadAverage().c_str());

    bench::TargetBoard board;
    {
        CMainWindow window;
        auto* panel = new bench::FrameProbePanel(true);  // the panel list owns it
        try {
            if (!BuildScreen(window)) {
                std::fprintf(stderr, "bench_frame: the headless screen could not be built\n");
                return 1;
            }
        } catch (ErrorCode code) {
            std::fprintf(stderr,
                         "bench_frame: start-up error %d (are the palette files beside the "
                         "benchmark?)\n",
                         static_cast<int>(code));
            return 1;
        }
        MeasureScreen(*panel, seconds, board);
        DestroyAll();
        window.DestroyHeldWindow();
    }
    MeasureIdleProgram(idle_seconds, board);
    board.Summary("bench_frame");
    return 0;
}
