// The frame thread: 60 times a second it copies the background into the back
// buffer, lets every panel draw over it, animates and applies the palette and
// flips. Other threads suspend it (counted, with a handshake), wait for the
// next frame or stop it.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "display/frame_pacer.h"
#include "platform/ddraw.h"
#include "platform/kernel.h"

// Owns one event handle and closes it on destruction.
class CEventHandle {
public:
    CEventHandle(bool manual_reset, bool initially_set);
    virtual ~CEventHandle();
    CEventHandle(const CEventHandle&) = delete;
    CEventHandle& operator=(const CEventHandle&) = delete;
    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_;
};

// Draws the panels onto the back buffer during a frame; installed by the
// application, which owns the panels.
using FrameDrawHook = void (*)(IDirectDrawSurface* back_buffer);

class CFrameThread {
public:
    explicit CFrameThread(CFrameClock& clock = GetSystemFrameClock());
    virtual ~CFrameThread();
    CFrameThread(const CFrameThread&) = delete;
    CFrameThread& operator=(const CFrameThread&) = delete;

    // False when the thread already runs.
    bool Start();
    // Stops the thread after its current pass and waits for it.
    void Stop();
    // Counts a suspension; the first one optionally waits (up to 3 s) until
    // the thread has finished its frame and idles. Returns the new count.
    int Suspend(bool wait);
    // Undoes one suspension; returns the new count (0 stays 0).
    int Resume();
    // Waits up to 100 ms for the next frame; false at once while suspended
    // or not running.
    bool WaitFrame();
    WORD GetFps() const { return pacer_.GetFps(); }
    bool IsRunning() const { return thread_.load() != nullptr; }
    int GetSuspendCount() const { return suspend_count_.load(std::memory_order_relaxed); }

    // Remembers the main window's surfaces and finds primary's back buffer;
    // null surfaces let go of the previous ones (while the thread is stopped).
    void AttachSurfaces(IDirectDrawSurface* primary, IDirectDrawSurface* canvas);
    // The hook each frame calls between the background copy and the palette;
    // null draws nothing. Set before the thread starts.
    void SetDrawHook(FrameDrawHook hook) { draw_hook_.store(hook); }
    // Whether the main thread is woken shortly before each frame, so what
    // its idle work changes is drawn in that frame (off: it keeps its own
    // pace, and the wakes already scheduled are dropped).
    void SetMainWakesBeforeFrames(bool wakes);
    // One frame: background copy, panels, palette animation and Apply, flip.
    int DrawFrame();
    // Frames drawn since the program started.
    std::uint64_t GetFrameCount() const { return frames_drawn_.load(std::memory_order_relaxed); }

private:
    static DWORD WINAPI FrameMain(LPVOID object);
    static int FrameCallback(void* object);
    void AnimatePalette();

    // Enters or leaves the idle state at the end of a pass, as the count says.
    void FollowSuspension();

    std::atomic<HANDLE> thread_{nullptr};
    CEventHandle frame_done_{true, false};
    CEventHandle suspended_event_{false, false};
    // Guards the suspension handshake: the count and the thread's idle flag
    // change together, so a suspension never misses or trusts a stale signal.
    std::mutex suspension_lock_;
    int suspended_ = 0;
    std::atomic<int> suspend_count_{0};
    CFramePacer pacer_;
    IDirectDrawSurface* primary_ = nullptr;
    IDirectDrawSurface* canvas_ = nullptr;
    IDirectDrawSurface* back_buffer_ = nullptr;
    bool primary_flips_ = false;
    std::atomic<FrameDrawHook> draw_hook_{nullptr};
    std::atomic<int> stop_{0};
    std::atomic<std::uint64_t> frames_drawn_{0};
    // WaitFrame calls under way: only then does a finished frame wake the
    // main thread's message queue at once.
    std::atomic<int> frame_waiters_{0};
    std::atomic<bool> main_wakes_before_frames_{true};

    // Palette animation: entry 8 flashes every third frame, entry 21 blinks
    // between entries 22 and 23 every 20 frames.
    int flash_counter_ = 0;
    int blink_counter_ = 0;
    BYTE blink_phase_ = 0;
};

// The program's one frame thread, created on first use.
CFrameThread& GetFrameThread();

bool StartFrameThread();
void StopFrameThread();
int SuspendFrames(bool wait);
int ResumeFrames();
bool WaitFrame();
WORD GetFps();
bool IsFrameThreadRunning();
void AttachSurfaces(IDirectDrawSurface* primary, IDirectDrawSurface* canvas);
void SetFrameDrawHook(FrameDrawHook hook);
void SetMainWakesBeforeFrames(bool wakes);
