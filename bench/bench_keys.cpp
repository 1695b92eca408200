// A key press at the file selector until it is on screen. The program's
// start-up builds all eight panels in-process (headless) in a folder of 5,000
// entries and the frame thread runs. Each Right or Left arrow is posted to the
// main window as the video backend posts it and the message loop handles it:
// the selector redraws its grid and Commit waits for a frame to exchange the
// images, so the first frame that starts after the handler returns shows the
// moved cursor. Figures: the handler's time, and the time from the post to
// the start of that frame.
//
// Usage: bench_keys [--presses N]   (default 300)
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

#include "app/application.h"
#include "app/main_window.h"
#include "bench/bench_support.h"
#include "bench/entries_folder.h"
#include "gfx/panel.h"
#include "platform/message.h"
#include "platform/user.h"
#include "tests/support/nivra_process.h"

namespace {

double NowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// First in the drawing order: notes when each frame starts, right after the
// background copy.
class FrameStartProbe final : public CPanel {
public:
    int Create() override { return 1; }  // draws nothing, so it needs no surface
    void Draw(CSurface*) override { last_start_ms_.store(NowMs(), std::memory_order_release); }
    // Waits for a frame that starts at or after `after_ms`; returns its start.
    double FrameStartingAfter(double after_ms) const {
        for (;;) {
            const double start = last_start_ms_.load(std::memory_order_acquire);
            if (start >= after_ms)
                return start;
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
    }

private:
    std::atomic<double> last_start_ms_{0};
};

// Handles queued messages until the key posted last has been handled.
void HandleMessagesThrough(UINT key) {
    MSG message;
    for (;;) {
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
        if (message.message == WM_KEYDOWN && message.wParam == key)
            return;
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int presses = static_cast<int>(bench::NumberArgument(argc, argv, "--presses", 300));
    const e2e::ScratchFolder runtime("nivra-bench");
    const bench::EntriesFolder folder;
    setenv("NIVRA_VIDEO", "headless", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
    std::filesystem::current_path(folder.Path());
    std::printf("bench_keys (load average %s)\n", bench::LoadAverage().c_str());

    auto* probe = new FrameStartProbe;  // the panel list owns it
    CApplication application;
    if (!application.Init()) {
        std::fprintf(stderr, "bench_keys: start-up failed (palette files beside the benchmark?)\n");
        return 1;
    }
    const HWND window = application.GetMainWindow()->GetHandle();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));

    std::vector<double> handled_ms, shown_ms;
    for (int i = 0; i < presses; ++i) {
        // Right then Left, so the cursor moves every time and stays in view.
        const UINT key = i % 2 == 0 ? VK_RIGHT : VK_LEFT;
        const double posted = NowMs();
        PostMessageA(window, WM_KEYDOWN, key, 1);
        HandleMessagesThrough(key);
        const double handled = NowMs();
        const double shown = probe->FrameStartingAfter(handled);
        handled_ms.push_back(handled - posted);
        shown_ms.push_back(shown - posted);
        // The next press comes at a different point of the frame.
        std::this_thread::sleep_for(std::chrono::microseconds(3100 + 700 * (i % 7)));
    }

    bench::TargetBoard board;
    const bench::Spread handled = bench::SpreadOf(handled_ms);
    const bench::Spread shown = bench::SpreadOf(shown_ms);
    std::printf("%d key presses at a selector of 5,000 entries, the frame thread running\n",
                presses);
    bench::TargetBoard::Figure("key handled (redraw and Commit), p50", handled.p50, "ms");
    bench::TargetBoard::Figure("key handled (redraw and Commit), p99", handled.p99, "ms");
    bench::TargetBoard::Figure("key to the frame that shows it, p50", shown.p50, "ms");
    // Commit waits for at most one frame, and the next frame shows the image.
    board.AtMost("key to the frame that shows it, p99", shown.p99, 2 * 1000.0 / 60, "ms");
    bench::TargetBoard::Figure("key to the frame that shows it, max", shown.max, "ms");

    application.Exit();
    board.Summary("bench_keys");
    return 0;
}
