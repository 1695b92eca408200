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

CFrameClock& GetSystemFrameClock() {
    static CFrameClock clock;
    return clock;
}
