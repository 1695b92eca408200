#include "display/frame_clock.h"

#include <chrono>
#include <thread>

#include "platform/kernel.h"
#include "platform/winmm.h"

DWORD CFrameClock::Now() {
    return timeGetTime();
}

void CFrameClock::SleepMs(DWORD ms) {
    Sleep(ms);
}

// timeGetTime counts whole milliseconds of the monotonic clock, as
// steady_clock does: sleeping to the next whole millisecond ends the wait in
// one wake-up rather than polling through it.
void CFrameClock::Relax() {
    using std::chrono::milliseconds;
    const auto now = std::chrono::steady_clock::now();
    std::this_thread::sleep_until(std::chrono::floor<milliseconds>(now) + milliseconds(1));
}

void CFrameClock::SleepToward(DWORD target_ms) {
    // The signed difference keeps the comparison right across the clock's wrap.
    const auto early_ms = static_cast<LONG>(target_ms - Now());
    if (early_ms <= 0)
        return;
    if (static_cast<DWORD>(early_ms) > kSpinMarginMs)
        SleepMs(static_cast<DWORD>(early_ms) - kSpinMarginMs);
    else
        Relax();
}

// timeGetTime counts the monotonic clock's milliseconds, as steady_clock
// does: the target's start is a point on steady_clock. Should the two ever
// disagree, a pause to the next millisecond keeps the wait from spinning.
void CSystemFrameClock::SleepToward(DWORD target_ms) {
    using std::chrono::milliseconds;
    const auto now_ms = std::chrono::floor<milliseconds>(std::chrono::steady_clock::now());
    const auto early_ms =
        static_cast<LONG>(target_ms - static_cast<DWORD>(now_ms.time_since_epoch().count()));
    if (early_ms > 0)
        std::this_thread::sleep_until(now_ms + milliseconds(early_ms));
    else
        Relax();
}

CFrameClock& GetSystemFrameClock() {
    static CSystemFrameClock clock;
    return clock;
}
