// The one video session of the process: the backend chosen at start, the
// window that receives input, scripted input, and the message pump that
// turns backend events into messages and presents finished frames.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/user/input_script.h"
#include "platform/user/script_feed.h"
#include "platform/backends/video/video_backend.h"

namespace platform::video {

class VideoSession {
public:
    static VideoSession& Get();

    const char* BackendName();
    // Opens the backend's window for `input_window` (called on the main thread).
    void Open(HWND input_window, const char* title);
    void Close();
    bool IsOpen() const { return open_; }

    // The message pump (main thread only).
    void Pump();
    // How long the main thread may wait before the pump must run again:
    // the next scripted action (and the input file's new lines), where the
    // backend wakes the main thread for its events (or has none); a window
    // whose events must be polled, a millisecond.
    DWORD PumpWaitLimitMs() const;

    void Minimize();
    // The window's title (UTF-8; main thread only).
    void SetTitle(const char* title);
    void SetCursorShown(bool shown);
    void SetWaitCursor(bool waiting);
    bool IsKeyDown(int virtual_key) const;
    // What a display opens in when NIVRA_VIDEO names no mode.
    void SetPreferredFullscreen(bool fullscreen) { preferred_fullscreen_ = fullscreen; }
    // Full screen to window and back (main thread only); false headless.
    bool ToggleFullscreen();

    // Posts the messages a press (or release) of a key makes.
    void PostKey(int virtual_key, bool up, bool alt, bool repeat);

private:
    VideoSession() = default;
    void ChooseBackend();
    void LoadScript();
    void ReadNewScriptLines();
    void RunScript();
    // The main thread sleeps in the backend until its events, posts or a
    // new frame wake it, where the backend can (main thread).
    void InstallBackendSleep(bool install);
    bool OnMainThread() const { return std::this_thread::get_id() == main_thread_; }

    std::unique_ptr<VideoBackend> backend_;
    bool preferred_fullscreen_ = true;
    bool open_ = false;
    // The pump runs only when something wakes it (headless, or a backend
    // that wakes the main thread), not every millisecond.
    bool wakes_pump_ = false;
    HWND input_window_ = nullptr;
    std::thread::id main_thread_;
    std::vector<ScriptAction> script_;
    std::size_t next_action_ = 0;
    std::unique_ptr<ScriptFeed> script_feed_;
    DWORD script_read_ms_ = 0;
    std::uint64_t presented_change_ = 0;
    // Kept between frames, so its pixels are not allocated anew for each.
    VisibleFrame frame_to_show_;
    std::vector<BackendEvent> events_;
    std::array<std::atomic<bool>, 256> keys_down_{};
};

}  // namespace platform::video
