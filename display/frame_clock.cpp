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

void CFrameClock::Relax() {
    std::this_thread::sleep_for(std::chrono::microseconds(100));
}

CFrameClock& GetSystemFrameClock() {
    static CFrameClock clock;
    return clock;
}
