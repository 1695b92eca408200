// Frame measurements shared by the screen benchmarks: a probe panel that
// notes when frames reach it, frames run by the frame pacer with their cost
// and the CPU spent between them, and the gaps between frame starts.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <thread>
#include <vector>

#include "bench/bench_support.h"
#include "display/display.h"
#include "display/frame_pacer.h"
#include "display/frame_thread.h"
#include "gfx/panel.h"
#include "platform/kernel.h"
#include "platform/message.h"
#include "platform/winmm.h"

namespace bench {

inline constexpr WORD kFrameRate = 60;

// A panel that notes the millisecond at which each frame reaches it. With
// full_screen it also covers the screen with a striped image that is copied
// onto the back buffer every frame; without, it has no image at all.
class FrameProbePanel final : public CPanel {
public:
    explicit FrameProbePanel(bool full_screen) : full_screen_(full_screen) {
        if (full_screen)
            SetRect(0, 0, kScreenWidth, kScreenHeight);
    }

    int Create() override {
        if (!full_screen_)
            return 1;
        if (!CPanel::Create())
            return 0;
        if (surface.Lock()) {
            for (LONG y = 0; y < surface.height; ++y)
                for (LONG x = 0; x < surface.width; ++x)
                    surface.bits[y * surface.pitch + x] = static_cast<BYTE>((x / 8 + y / 4) % 240);
            surface.Unlock();
        }
        return 1;
    }

    void Draw(CSurface* target) override {
        if (noting_.load(std::memory_order_acquire) && noted_count_ < noted_ms_.size())
            noted_ms_[noted_count_++] = timeGetTime();
        if (full_screen_)
            CPanel::Draw(target);
    }

    // Notes up to `frames` frames from now on.
    void StartNoting(std::size_t frames) {
        noted_ms_.assign(frames, 0);
        noted_count_ = 0;
        noting_.store(true, std::memory_order_release);
    }
    // Stops noting once the frame thread is stopped; the noted frame starts.
    std::vector<DWORD> Noted() {
        noting_.store(false, std::memory_order_release);
        return {noted_ms_.begin(), noted_ms_.begin() + static_cast<long>(noted_count_)};
    }

private:
    bool full_screen_;
    std::atomic<bool> noting_{false};
    std::vector<DWORD> noted_ms_;
    std::size_t noted_count_ = 0;
};

// Gap counts between frame starts, and how many gaps are what the pacer's
// carried remainder asks for (16 ms, plus one whenever the 2/3 ms left over
// each frame has piled up to a whole millisecond).
struct GapFigures {
    std::map<long, int> histogram;
    int in_range = 0;
    int as_scheduled = 0;
    int total = 0;
    double mean_ms = 0;

    double InRangePercent() const { return total ? 100.0 * in_range / total : 0; }
    double ScheduledPercent() const { return total ? 100.0 * as_scheduled / total : 0; }
    void Print(const char* what) const {
        std::printf("  %s: gaps between frame starts:", what);
        for (const auto& [gap, count] : histogram)
            std::printf(" %ld ms x%d", gap, count);
        std::printf(" (mean %.3f ms)\n", mean_ms);
    }
};

// The pacer's first step carries once before its frame, each later step once more.
inline GapFigures GapsOf(const std::vector<DWORD>& starts, DWORD period_ms, DWORD fraction) {
    constexpr DWORD kFractionUnits = 10000;
    GapFigures gaps;
    DWORD remainder = fraction;
    for (std::size_t i = 1; i < starts.size(); ++i) {
        remainder += fraction;
        DWORD expected = period_ms;
        if (remainder >= kFractionUnits) {
            remainder %= kFractionUnits;
            ++expected;
        }
        const long gap = static_cast<long>(starts[i] - starts[i - 1]);
        ++gaps.histogram[gap];
        gaps.in_range += gap == 16 || gap == 17;
        gaps.as_scheduled += gap == static_cast<long>(expected);
        ++gaps.total;
    }
    if (starts.size() > 1)
        gaps.mean_ms = static_cast<double>(starts.back() - starts.front()) /
                       static_cast<double>(starts.size() - 1);
    return gaps;
}

// What frames run by a pacer of our own cost, on the system clock.
struct PacedFigures {
    GapFigures gaps;
    Spread frame_ms;                 // wall time of one whole frame
    double waiting_cpu_percent = 0;  // of one core, between frames
    double seconds = 0;
};

namespace detail {

struct FrameSample {
    DWORD start_ms;  // the pacer's frame start
    double wall_in, wall_out;
    double cpu_in, cpu_out;  // thread CPU around the frame's work
};

struct PacedRun {
    CFramePacer* pacer;
    std::vector<FrameSample> samples;
};

inline int PacedFrame(void* context) {
    auto* run = static_cast<PacedRun*>(context);
    FrameSample sample{run->pacer->GetLastFrameTime(), WallSeconds(), 0, ThreadCpuSeconds(), 0};
    GetFrameThread().DrawFrame();
    sample.cpu_out = ThreadCpuSeconds();
    sample.wall_out = WallSeconds();
    run->samples.push_back(sample);
    return 0;
}

}  // namespace detail

// Runs the frame thread's frame (background copy, DrawAll, palette, present)
// `frames` times on a thread of its own, paced at 60 fps by a CFramePacer on
// the system clock, as the frame thread paces it. The frame thread itself
// must be stopped.
// With a `priority` above normal the thread asks for it first (on Linux a
// real-time class, which the system may refuse).
inline PacedFigures RunPacedFrames(std::size_t frames, int priority = THREAD_PRIORITY_NORMAL) {
    CFramePacer pacer;
    pacer.Init(kFrameRate, detail::PacedFrame);
    detail::PacedRun run{&pacer, {}};
    run.samples.reserve(frames);
    std::thread paced([&] {
        if (priority != THREAD_PRIORITY_NORMAL)
            SetThreadPriority(GetCurrentThread(), priority);
        while (run.samples.size() < frames)
            pacer.Step(&run);
    });
    paced.join();

    PacedFigures figures;
    std::vector<DWORD> starts;
    std::vector<double> frame_ms;
    double waiting_cpu = 0;
    for (std::size_t i = 0; i < run.samples.size(); ++i) {
        const detail::FrameSample& s = run.samples[i];
        starts.push_back(s.start_ms);
        frame_ms.push_back((s.wall_out - s.wall_in) * 1000);
        if (i > 0)
            waiting_cpu += s.cpu_in - run.samples[i - 1].cpu_out;
    }
    figures.seconds = run.samples.back().wall_in - run.samples.front().wall_out;
    figures.gaps = GapsOf(starts, pacer.GetPeriod(), pacer.GetFraction());
    figures.frame_ms = SpreadOf(frame_ms);
    figures.waiting_cpu_percent = waiting_cpu / figures.seconds * 100;
    return figures;
}

// The frame thread's own rate and gaps over `seconds`, as `probe` notes them.
struct FrameThreadFigures {
    GapFigures gaps;
    std::vector<WORD> fps;  // GetFps once a second
    WORD LowestFps() const { return fps.empty() ? 0 : *std::min_element(fps.begin(), fps.end()); }
    // The rate each second, the gaps, and the two pacing targets.
    void Report(TargetBoard& board) const {
        std::printf("  frame thread: fps each second:");
        for (WORD each : fps)
            std::printf(" %u", each);
        std::printf("\n");
        gaps.Print("frame thread");
        board.AtLeast("frame thread: gaps of 16 or 17 ms", gaps.InRangePercent(), 100, "%");
        board.AtLeast("frame thread: lowest fps shown", LowestFps(), 60, "fps");
    }
};

// Meanwhile calls `between(seconds)` to spend each second (pumping messages,
// for example); the frame thread must be running for a second already.
template <typename Spend>
FrameThreadFigures WatchFrameThread(FrameProbePanel& probe, int seconds, Spend between) {
    FrameThreadFigures figures;
    probe.StartNoting(static_cast<std::size_t>(seconds + 1) * kFrameRate);
    for (int second = 0; second < seconds; ++second) {
        between(1.0);
        figures.fps.push_back(GetFps());
    }
    StopFrameThread();
    CFramePacer schedule;
    schedule.Init(kFrameRate, nullptr);
    figures.gaps = GapsOf(probe.Noted(), schedule.GetPeriod(), schedule.GetFraction());
    return figures;
}

// The main thread's message loop for `seconds`, as the application runs it
// (PeekMessageA waits about a millisecond on an empty queue).
inline void PumpMessages(double seconds) {
    const double until = WallSeconds() + seconds;
    MSG message;
    while (WallSeconds() < until) {
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

inline void SleepSeconds(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

}  // namespace bench
