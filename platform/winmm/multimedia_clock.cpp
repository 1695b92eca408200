#include "platform/winmm/multimedia_clock.h"

#include <time.h>

#include <algorithm>
#include <atomic>

#include "platform/winmm.h"

namespace platform::winmm {
namespace {

std::uint64_t ReadMonotonicNanos() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1'000'000'000u +
           static_cast<std::uint64_t>(now.tv_nsec);
}

// Taken during static initialisation, before main runs.
const std::uint64_t program_start_ns = ReadMonotonicNanos();
std::atomic<bool> manual_clock{false};
std::atomic<std::uint64_t> manual_micros{0};
// The timer period under way on this thread and how far the sender's song
// position has passed the messages it sends now.
thread_local std::uint64_t period_deadline_ns = 0;
thread_local std::uint64_t send_lateness_ns = 0;

}  // namespace

std::uint64_t MonotonicNanos() {
    return ReadMonotonicNanos();
}

std::uint64_t MicrosSinceStart() {
    if (manual_clock.load(std::memory_order_relaxed))
        return manual_micros.load(std::memory_order_relaxed);
    return (ReadMonotonicNanos() - program_start_ns) / 1000u;
}

bool ManualClockInUse() {
    return manual_clock.load(std::memory_order_relaxed);
}

void SetPeriodDeadline(std::uint64_t deadline_ns) {
    period_deadline_ns = deadline_ns;
    send_lateness_ns = 0;
}

std::uint64_t MessageTimeNanos() {
    if (period_deadline_ns == 0)
        return manual_clock.load(std::memory_order_relaxed)
                   ? manual_micros.load(std::memory_order_relaxed) * 1000u
                   : ReadMonotonicNanos();
    return period_deadline_ns - std::min(send_lateness_ns, period_deadline_ns);
}

}  // namespace platform::winmm

DWORD timeGetTime() {
    if (platform::winmm::ManualClockInUse())
        return static_cast<DWORD>(platform::winmm::MicrosSinceStart() / 1000u);
    return static_cast<DWORD>(platform::winmm::MonotonicNanos() / 1'000'000u);
}

namespace platform {

void UseManualClock(bool manual) {
    if (manual)
        winmm::manual_micros.store(0, std::memory_order_relaxed);
    winmm::manual_clock.store(manual, std::memory_order_relaxed);
}

void AdvanceManualClock(std::uint64_t microseconds) {
    winmm::manual_micros.fetch_add(microseconds, std::memory_order_relaxed);
}

void SetMidiSendLateness(std::uint64_t nanoseconds) {
    winmm::send_lateness_ns = nanoseconds;
}

std::uint64_t MultimediaClockMicros() {
    return winmm::MicrosSinceStart();
}

}  // namespace platform
