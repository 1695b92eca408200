#include "platform/kernel.h"

#include <sched.h>
#include <time.h>

#include <cerrno>

namespace {

ULONGLONG MonotonicMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<ULONGLONG>(now.tv_sec) * 1000u +
           static_cast<ULONGLONG>(now.tv_nsec) / 1000000u;
}

}  // namespace

void Sleep(DWORD milliseconds) {
    if (milliseconds == 0) {
        sched_yield();
        return;
    }
    // An absolute deadline, so a signal that interrupts the sleep does not
    // lengthen it when the sleep is resumed.
    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += milliseconds / 1000;
    deadline.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000L;
    }
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
    }
}

DWORD GetTickCount() {
    return static_cast<DWORD>(MonotonicMilliseconds());
}

ULONGLONG GetTickCount64() {
    return MonotonicMilliseconds();
}
