// The millisecond clock the frame pacer runs on: timeGetTime and Sleep in the
// program, a hand-driven clock in tests.
#pragma once

#include "platform/win32_types.h"

class CFrameClock {
public:
    virtual ~CFrameClock() = default;
    // Milliseconds, wrapping at 32 bits.
    virtual DWORD Now();
    // Gives the processor away for about this many milliseconds.
    virtual void SleepMs(DWORD ms);
    // One short pause while polling for the target millisecond: until the
    // clock's next millisecond, so the wait stays exact without burning a core.
    virtual void Relax();
};

// The real clock (timeGetTime, Sleep).
CFrameClock& GetSystemFrameClock();
