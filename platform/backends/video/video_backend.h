// The interchangeable video backends: a full-screen or resizable SDL window,
// or none at all (headless). One is chosen at start and used only on the
// main thread.
#pragma once

#include <memory>
#include <vector>

#include "platform/ddraw.h"

namespace platform::video {

struct BackendEvent {
    enum class Kind { KeyDown, KeyUp, Close, FocusGained, FocusLost };
    Kind kind = Kind::Close;
    int virtual_key = 0;
    bool alt = false;
    bool repeat = false;
};

// How the main thread sleeps until the backend has an event: `wait` (main
// thread) for at most timeout_ms, `wake` (any thread) to end it early. Both
// null when the backend's events must be polled.
struct BackendWaiter {
    void (*wait)(DWORD timeout_ms) = nullptr;
    void (*wake)() = nullptr;
};

class VideoBackend {
public:
    virtual ~VideoBackend() = default;
    virtual const char* Name() const = 0;
    // Opens the window; false when the backend cannot run here.
    virtual bool Open(const char* title) = 0;
    virtual void Close() = 0;
    virtual void Poll(std::vector<BackendEvent>& events) = 0;
    // While open: how the main thread sleeps between events.
    virtual BackendWaiter Waiter() const = 0;
    virtual void Present(const VisibleFrame& frame) = 0;
    virtual void Minimize() = 0;
    // The window's title, UTF-8.
    virtual void SetTitle(const char* title) = 0;
    virtual void SetCursorShown(bool shown) = 0;
    virtual void SetWaitCursor(bool waiting) = 0;
    // Full screen or a window while open; false when the backend cannot.
    virtual bool SetFullscreen(bool fullscreen) = 0;
};

std::unique_ptr<VideoBackend> MakeHeadlessBackend();
std::unique_ptr<VideoBackend> MakeSdlBackend(bool fullscreen);

}  // namespace platform::video
