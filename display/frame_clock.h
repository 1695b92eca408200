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
    // One step of a wait for target_ms (the caller checks Now() and calls
    // again while it is early): sleeps away all but the last kSpinMarginMs,
    // then pauses (Relax) until the millisecond comes.
    virtual void SleepToward(DWORD target_ms);

    // Milliseconds before the target at which SleepToward stops sleeping and
    // pauses for the millisecond.
    static constexpr DWORD kSpinMarginMs = 1;
};

// The program's clock (timeGetTime): it sleeps to the target millisecond in
// one go, so a frame costs one wake-up.
class CSystemFrameClock : public CFrameClock {
public:
    void SleepToward(DWORD target_ms) override;
};

// The real clock (timeGetTime, Sleep).
CFrameClock& GetSystemFrameClock();
