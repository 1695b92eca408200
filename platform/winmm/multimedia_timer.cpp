// Periodic timers: one thread each, woken at absolute deadlines start + n
// periods on CLOCK_MONOTONIC, so lateness never accumulates. A late wake-up
// runs the missed periods at once, for stalls of up to a second; a longer
// stall (a suspended machine) skips ahead. A callback may say that the next
// periods have nothing to do at their own time: the thread then sleeps
// through them and runs them with the first that has.

#include <sys/prctl.h>
#include <time.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/winmm.h"
#include "platform/winmm/multimedia_clock.h"
#include "platform/winmm/period_schedule.h"
#include "platform/winmm/real_time_priority.h"
#include "platform/report.h"

namespace {

constexpr UINT kMaxPeriodMs = 1'000'000;

struct Timer {
    UINT id = 0;
    UINT period_ms = 1;
    bool periodic = true;
    LPTIMECALLBACK callback = nullptr;
    DWORD_PTR user = 0;
    std::atomic<bool> killed{false};
    std::thread thread;
    bool manual = false;  // fired by FireManualTimers, no thread
    // When timeSetEvent was called: the periods count from here, not from
    // whenever the thread first runs, which on a busy machine can be later.
    std::uint64_t start_ns = 0;
    // Ends a sleep through quiet periods early.
    std::mutex wake_lock;
    std::condition_variable wake;
    bool woken = false;
};

// Never destroyed: timers may still be killed by objects destroyed at exit.
struct TimerRegistry {
    std::mutex lock;
    std::map<UINT, std::shared_ptr<Timer>> timers;
    UINT next_id = 1;
};

TimerRegistry& Registry() {
    static TimerRegistry* registry = new TimerRegistry;
    return *registry;
}

std::atomic<bool> manual_timers{false};

// What the callback just run said of the periods after it.
thread_local std::uint64_t quiet_periods = 0;
constexpr std::uint64_t kMostQuietPeriods = 1000;

// Sleeps to `deadline_ns`, or less when the timer is killed or woken.
void SleepThroughQuietPeriods(Timer& timer, std::uint64_t deadline_ns) {
    const std::chrono::steady_clock::time_point deadline{std::chrono::nanoseconds(deadline_ns)};
    std::unique_lock<std::mutex> guard(timer.wake_lock);
    timer.wake.wait_until(guard, deadline, [&] {
        return timer.woken || timer.killed.load(std::memory_order_acquire);
    });
    timer.woken = false;
}

void Wake(Timer& timer) {
    {
        std::lock_guard<std::mutex> guard(timer.wake_lock);
        timer.woken = true;
    }
    timer.wake.notify_one();
}

// The timer thread's real-time level: below the synth's audio thread, whose
// lateness is a gap in the sound rather than a late message.
constexpr int kTimerRealTimeLevel = 10;

// Once refused, later timer threads do not ask again; the refusal is said once.
void TryRealTimePriority() {
    static std::atomic<bool> refused{false};
    if (refused.load(std::memory_order_relaxed))
        return;
    const int error = platform::winmm::RequestRealTimeScheduling(kTimerRealTimeLevel);
    if (error != 0)
        platform::ReportOnce(refused, "MIDI:timer",
                             "real-time priority refused (%s); using normal priority",
                             std::strerror(error));
}

timespec ToTimespec(std::uint64_t ns) {
    timespec t{};
    t.tv_sec = static_cast<time_t>(ns / 1'000'000'000u);
    t.tv_nsec = static_cast<long>(ns % 1'000'000'000u);
    return t;
}

void RunTimerThread(std::shared_ptr<Timer> timer) {
    prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
    TryRealTimePriority();
    const std::uint64_t period_ns = static_cast<std::uint64_t>(timer->period_ms) * 1'000'000u;
    platform::winmm::PeriodSchedule schedule(timer->start_ns, period_ns);
    std::uint64_t quiet = 0;
    while (!timer->killed.load(std::memory_order_acquire)) {
        if (quiet > 0) {
            SleepThroughQuietPeriods(*timer, schedule.NextDeadline() + quiet * period_ns);
        } else {
            const timespec when = ToTimespec(schedule.NextDeadline());
            while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &when, nullptr) == EINTR) {
            }
        }
        std::uint64_t due = schedule.TakeDue(platform::winmm::MonotonicNanos());
        // The periods run now end with the one whose deadline just passed;
        // each is stamped with its own deadline.
        const std::uint64_t last_deadline = schedule.NextDeadline() - period_ns;
        for (; due > 0 && !timer->killed.load(std::memory_order_acquire); --due) {
            platform::winmm::SetPeriodDeadline(last_deadline - (due - 1) * period_ns);
            quiet_periods = 0;
            timer->callback(timer->id, 0, timer->user, 0, 0);
            platform::winmm::SetPeriodDeadline(0);
            if (!timer->periodic)
                timer->killed.store(true, std::memory_order_release);
        }
        quiet = std::min(quiet_periods, kMostQuietPeriods);
    }
}

}  // namespace

MMRESULT timeGetDevCaps(LPTIMECAPS caps, UINT caps_size) {
    if (caps == nullptr || caps_size < sizeof(TIMECAPS))
        return TIMERR_NOCANDO;
    caps->wPeriodMin = 1;
    caps->wPeriodMax = kMaxPeriodMs;
    return TIMERR_NOERROR;
}

// Every timer thread already runs at the finest resolution the clock has,
// so the periods only need checking.
MMRESULT timeBeginPeriod(UINT period_ms) {
    return period_ms >= 1 && period_ms <= kMaxPeriodMs ? TIMERR_NOERROR : TIMERR_NOCANDO;
}

MMRESULT timeEndPeriod(UINT period_ms) {
    return timeBeginPeriod(period_ms);
}

UINT timeSetEvent(UINT delay_ms, UINT, LPTIMECALLBACK callback, DWORD_PTR user, UINT event_type) {
    if (callback == nullptr || delay_ms < 1 || delay_ms > kMaxPeriodMs)
        return 0;
    auto timer = std::make_shared<Timer>();
    timer->period_ms = delay_ms;
    timer->periodic = (event_type & TIME_PERIODIC) != 0;
    timer->callback = callback;
    timer->user = user;
    timer->manual = manual_timers.load(std::memory_order_relaxed);
    timer->start_ns = platform::winmm::MonotonicNanos();
    TimerRegistry& registry = Registry();
    std::lock_guard<std::mutex> guard(registry.lock);
    timer->id = registry.next_id++;
    if (registry.next_id == 0)
        registry.next_id = 1;
    if (!timer->manual)
        timer->thread = std::thread(RunTimerThread, timer);
    registry.timers[timer->id] = timer;
    return timer->id;
}

MMRESULT timeKillEvent(UINT timer_id) {
    std::shared_ptr<Timer> timer;
    {
        TimerRegistry& registry = Registry();
        std::lock_guard<std::mutex> guard(registry.lock);
        auto found = registry.timers.find(timer_id);
        if (found == registry.timers.end())
            return MMSYSERR_INVALPARAM;
        timer = found->second;
        registry.timers.erase(found);
    }
    timer->killed.store(true, std::memory_order_release);
    Wake(*timer);
    if (timer->thread.joinable()) {
        // From inside its own callback the thread cannot be joined: it ends
        // by itself when the callback returns.
        if (timer->thread.get_id() == std::this_thread::get_id())
            timer->thread.detach();
        else
            timer->thread.join();
    }
    return TIMERR_NOERROR;
}

namespace platform {

void DeferQuietPeriods(std::uint64_t periods) {
    quiet_periods = periods;
}

void WakeSleepingTimers() {
    TimerRegistry& registry = Registry();
    std::lock_guard<std::mutex> guard(registry.lock);
    for (auto& [id, timer] : registry.timers)
        Wake(*timer);
}

void UseManualTimers(bool manual) {
    manual_timers.store(manual, std::memory_order_relaxed);
}

void FireManualTimers(unsigned periods) {
    for (unsigned i = 0; i < periods; ++i) {
        std::vector<std::shared_ptr<Timer>> live;
        {
            TimerRegistry& registry = Registry();
            std::lock_guard<std::mutex> guard(registry.lock);
            for (auto& [id, timer] : registry.timers)
                if (timer->manual)
                    live.push_back(timer);
        }
        if (winmm::ManualClockInUse())
            AdvanceManualClock(1000);
        for (auto& timer : live) {
            if (timer->killed.load(std::memory_order_acquire))
                continue;
            // A period fired by hand falls due now, on whichever clock runs.
            winmm::SetPeriodDeadline(winmm::ManualClockInUse() ? winmm::MicrosSinceStart() * 1000u
                                                               : winmm::MonotonicNanos());
            timer->callback(timer->id, 0, timer->user, 0, 0);
            winmm::SetPeriodDeadline(0);
            if (!timer->periodic)
                timeKillEvent(timer->id);
        }
    }
}

}  // namespace platform
