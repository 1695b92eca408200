// Turning a Win32 time-out into a condition-variable wait.
#pragma once

#include "platform/kernel.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace platform::kernel {

// Waits on `condition` until `ready()` holds or `milliseconds` pass
// (INFINITE: no limit). Returns whether `ready()` holds.
template <typename Ready>
bool WaitFor(std::condition_variable& condition, std::unique_lock<std::mutex>& hold,
             DWORD milliseconds, Ready ready) {
    if (milliseconds == INFINITE) {
        condition.wait(hold, ready);
        return true;
    }
    return condition.wait_for(hold, std::chrono::milliseconds(milliseconds), ready);
}

}  // namespace platform::kernel
