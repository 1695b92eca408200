// Frame clock at a fixed rate: whole-millisecond periods with a carried
// remainder in 1/10000 ms, so 60 fps alternates 16 and 17 ms gaps averaging
// 16.6666 ms. Each step waits for its target millisecond (the clock's
// SleepToward) and then runs the frame callback.
#pragma once

#include <atomic>

#include "display/frame_clock.h"
#include "platform/win32_types.h"

class CFramePacer {
public:
    using Callback = int (*)(void* context);

    explicit CFramePacer(CFrameClock& clock = GetSystemFrameClock());

    // Sets the rate (0 disables Step) and the per-frame work.
    void Init(WORD rate, Callback callback);
    // Waits for the next frame time, runs the callback and returns its result.
    int Step(void* context);
    // Frames counted in the last whole second of the clock.
    WORD GetFps() const { return fps_.load(std::memory_order_relaxed); }

    DWORD GetPeriod() const { return period_ms_; }
    DWORD GetFraction() const { return fraction_; }
    // When the last frame started (clock milliseconds).
    DWORD GetLastFrameTime() const { return last_frame_ms_; }
    // Milliseconds from now until the next frame is due (0 when it is late).
    DWORD GetTimeToNextFrame();

private:
    void WaitUntil(DWORD target_ms);

    CFrameClock& clock_;
    WORD rate_ = 0;
    std::atomic<WORD> fps_{0};
    DWORD period_ms_ = 0;
    DWORD fraction_ = 0;  // in 1/10000 ms
    Callback callback_ = nullptr;

    bool has_run_ = false;
    DWORD last_frame_ms_ = 0;
    DWORD remainder_ = 0;  // in 1/10000 ms
    DWORD last_second_ = 0;
    WORD frames_this_second_ = 0;
};
