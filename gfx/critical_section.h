// CCriticalSection: one Win32 critical section, initialised on construction
// and deleted on destruction; re-entrant on the thread that holds it.
#pragma once

#include "platform/kernel.h"

class CCriticalSection {
public:
    CCriticalSection() { InitializeCriticalSection(&section_); }
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;
    virtual ~CCriticalSection() { DeleteCriticalSection(&section_); }

    void Enter() { EnterCriticalSection(&section_); }
    void Leave() { LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_;
};

// Holds a CCriticalSection for one scope.
class CCriticalSectionLock {
public:
    explicit CCriticalSectionLock(CCriticalSection& section) : section_(section) {
        section_.Enter();
    }
    CCriticalSectionLock(const CCriticalSectionLock&) = delete;
    CCriticalSectionLock& operator=(const CCriticalSectionLock&) = delete;
    ~CCriticalSectionLock() { section_.Leave(); }

private:
    CCriticalSection& section_;
};
