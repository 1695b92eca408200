// A lock held for a moment many thousand times a second by one thread and
// seldom taken by others: the frame recorder's list, which the frame thread
// extends by one draw per copy while another thread may have to draw it out
// before changing a picture it reads. Taking it is one atomic exchange and
// leaving it a plain store; a mutex pays an atomic operation both ways, a
// seventh of the frame thread's time while a song plays.
#pragma once

#include <atomic>
#include <chrono>
#include <thread>

namespace platform::video {

class ShortHoldLock {
public:
    void lock() {
        while (held_.exchange(true, std::memory_order_acquire))
            WaitForRelease();
    }
    void unlock() { held_.store(false, std::memory_order_release); }

private:
    // The holder may be drawing a whole frame (a tenth of a millisecond or
    // so) or may have been put aside by the scheduler: yield a while, then
    // sleep, so a waiter never keeps the holder from running.
    void WaitForRelease() {
        for (int tries = 0; held_.load(std::memory_order_relaxed); ++tries) {
            if (tries < 100)
                std::this_thread::yield();
            else
                std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
    }

    std::atomic<bool> held_{false};
};

}  // namespace platform::video
