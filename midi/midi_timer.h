// A periodic multimedia timer that calls OnTimer on every period.
#pragma once

#include <atomic>
#include <thread>

#include "platform/winmm.h"

class CMidiTimer {
public:
    CMidiTimer();
    CMidiTimer(const CMidiTimer&) = delete;
    CMidiTimer& operator=(const CMidiTimer&) = delete;
    virtual ~CMidiTimer();

    // Runs on the timer's thread once per period.
    virtual void OnTimer() {}

    // (Re)starts a periodic timer of `period_ms`. Without `callback` the
    // timer calls OnTimer; otherwise `callback` with `user`.
    bool Start(UINT period_ms, LPTIMECALLBACK callback = nullptr, DWORD_PTR user = 0);
    // Stops the timer and waits until no callback runs, except when called
    // from inside the callback itself, which cannot wait for itself.
    bool Stop();
    // Waits until no callback is in progress; the timer keeps running.
    void WaitIdle();

    bool IsRunning() const { return timerId.load(std::memory_order_relaxed) != 0; }
    // True on the timer's thread while it runs a callback of this timer.
    bool IsInsideCallback() const;

private:
    static void TimerCallback(UINT timer_id, UINT msg, DWORD_PTR user, DWORD_PTR, DWORD_PTR);

    // The busy signal: raised for the length of every callback.
    std::atomic<bool> busy{false};
    std::atomic<std::thread::id> callbackThread{};
    std::atomic<UINT> timerId{0};
    // Cleared by Stop: a period already under way when the timer stopped, or
    // one that fires before Start has learnt the timer's id, calls nothing.
    std::atomic<bool> active{false};
    TIMECAPS caps{};
};
