#include "midi/midi_timer.h"

CMidiTimer::CMidiTimer() {
    timeGetDevCaps(&caps, sizeof caps);
    if (caps.wPeriodMin == 0)
        caps.wPeriodMin = 1;
}

CMidiTimer::~CMidiTimer() {
    Stop();
}

bool CMidiTimer::Start(UINT period_ms, LPTIMECALLBACK callback, DWORD_PTR user) {
    Stop();
    timeBeginPeriod(caps.wPeriodMin);
    LPTIMECALLBACK cb = callback != nullptr ? callback : &CMidiTimer::TimerCallback;
    DWORD_PTR data = callback != nullptr ? user : reinterpret_cast<DWORD_PTR>(this);
    active.store(true, std::memory_order_seq_cst);
    const UINT id = timeSetEvent(period_ms, caps.wPeriodMin, cb, data, TIME_PERIODIC);
    if (id == 0) {
        active.store(false, std::memory_order_seq_cst);
        timeEndPeriod(caps.wPeriodMin);
        return false;
    }
    timerId.store(id, std::memory_order_relaxed);
    // A callback may have stopped the timer before its id was stored here,
    // when there was no id to kill yet: kill it now.
    if (!active.load(std::memory_order_seq_cst))
        Stop();
    return true;
}

bool CMidiTimer::Stop() {
    active.store(false, std::memory_order_seq_cst);
    const UINT id = timerId.exchange(0, std::memory_order_relaxed);
    if (id != 0) {
        timeKillEvent(id);
        timeEndPeriod(caps.wPeriodMin);
    }
    // Inside the callback, waiting for it to end would wait for ourselves.
    if (!IsInsideCallback())
        WaitIdle();
    return true;
}

void CMidiTimer::WaitIdle() {
    if (IsInsideCallback())
        return;
    // Sequentially consistent with the callback's raise: a waiter that finds
    // the signal lowered and a callback that starts after it agree on the
    // order, so flags set before waiting are seen by that callback.
    while (busy.load(std::memory_order_seq_cst))
        std::this_thread::yield();
}

bool CMidiTimer::IsInsideCallback() const {
    return busy.load(std::memory_order_acquire) &&
           callbackThread.load(std::memory_order_relaxed) == std::this_thread::get_id();
}

void CMidiTimer::TimerCallback(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    auto* timer = reinterpret_cast<CMidiTimer*>(user);
    timer->callbackThread.store(std::this_thread::get_id(), std::memory_order_relaxed);
    timer->busy.store(true, std::memory_order_seq_cst);
    // Raised before the check, so a Stop that cleared the flag first either
    // sees this callback busy and waits, or the callback sees it stopped.
    if (timer->active.load(std::memory_order_seq_cst))
        timer->OnTimer();
    timer->busy.store(false, std::memory_order_release);
}
