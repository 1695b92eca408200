// The main thread's message queue. Any thread may post; the main thread
// reads. The window layer plugs in through three hooks: the pump (its
// events become posted messages), the lookup of window procedures and the
// default handler of window messages.
#include "platform/kernel.h"
#include "platform/message.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <deque>
#include <mutex>
#include <thread>

namespace {

using DefaultHandler = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

constexpr WPARAM kVirtualKeyF4 = 0x73;
constexpr LPARAM kAltHeldBit = LPARAM{1} << 29;
using Clock = std::chrono::steady_clock;

// How long an empty queue waits for a post before answering, unless the
// window layer says how long its pump may wait.
constexpr auto kEmptyQueueWait = std::chrono::milliseconds(1);
// The longest wait whatever the pump says, until the main loop sets its own:
// close signals and the idle work of the main loop are seen this often.
constexpr DWORD kDefaultLongestQueueWaitMs = 20;

struct Queue {
    std::mutex lock;
    std::condition_variable posted;
    std::deque<MSG> messages;
    bool quit_pending = false;
    int quit_code = 0;
    // Set by WakeMessageQueue and taken by the next wait, so a wake that
    // comes between two looks (a frame finished just then) is not lost.
    bool wake_pending = false;
    // Counts posts, so a wait ends on a new one (not on one already there
    // that the reader's filter leaves).
    std::uint64_t posts = 0;
    // A wake asked for ahead of time (WakeMessageQueueIn); max() when none.
    Clock::time_point wake_at = Clock::time_point::max();
    // Its period when it repeats (the frames'), zero when it comes once.
    std::chrono::microseconds wake_every{0};
    // When the last wait ended at its scheduled wake: a schedule renewed
    // just after (the frame that follows moves it by a fraction of a
    // millisecond) is the same wake and must not end a second wait.
    Clock::time_point wake_served{};
    // Set by WakeMessagePump: the pump has work (a finished frame), so a
    // wait runs it and goes on, without ending the reader's look.
    bool pump_pending = false;
    // The window backend's own sleep and its wake, while one is installed.
    void (*backend_wait)(DWORD timeout_ms) = nullptr;
    void (*backend_wake)() = nullptr;
    // The thread that installed them, the only one that sleeps in the backend.
    std::thread::id backend_thread;
    // The main thread sleeps in backend_wait now (or is about to), and has
    // been woken already: one wake each sleep is enough.
    bool backend_asleep = false;
    bool backend_woken = false;
};

Queue& TheQueue() {
    static Queue* queue = new Queue;  // posts may come from threads still running at exit
    return *queue;
}

// Keys held as of the last key message taken (main thread only).
std::array<bool, 256> key_held{};

void TrackKeyState(const MSG& message) {
    switch (message.message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            key_held[message.wParam & 0xFF] = true;
            break;
        case WM_KEYUP:
        case WM_SYSKEYUP:
            key_held[message.wParam & 0xFF] = false;
            break;
        default:
            break;
    }
}

std::atomic<void (*)()> pump{nullptr};
std::atomic<DWORD (*)()> pump_wait_limit{nullptr};
std::atomic<DWORD> longest_queue_wait_ms{kDefaultLongestQueueWaitMs};
std::atomic<WNDPROC (*)(HWND)> procedure_lookup{nullptr};
std::atomic<DefaultHandler> default_handler{nullptr};
std::atomic<HWND> close_request_window{nullptr};
volatile std::sig_atomic_t close_signal_received = 0;

void OnCloseSignal(int) {
    close_signal_received = 1;
}

// Turns a received SIGINT/SIGTERM into a close request, on the main thread.
void HandleCloseSignal() {
    if (close_signal_received) {
        close_signal_received = 0;
        platform::RequestClose();
    }
}

void RunPump() {
    if (auto function = pump.load(std::memory_order_acquire))
        function();
}

// When a wait of an empty queue ends at the latest, and the posts it started
// from: a look keeps its end however often the pump runs in between.
struct WaitPlan {
    Clock::time_point until;
    Clock::time_point scheduled_wake;
    std::uint64_t posts = 0;
};

// The end of a wait beginning now: the pump's limit, the longest wait and the
// scheduled wake. Called with the lock held.
WaitPlan PlanWait(Queue& queue) {
    const Clock::time_point now = Clock::now();
    auto limit = kEmptyQueueWait;
    if (auto pump_limit = pump_wait_limit.load(std::memory_order_acquire))
        limit = std::chrono::milliseconds(
            std::min(pump_limit(), longest_queue_wait_ms.load(std::memory_order_relaxed)));
    Clock::time_point until = now + limit;
    const bool served_already =
        queue.wake_every.count() > 0 && queue.wake_at < queue.wake_served + queue.wake_every / 2;
    if (queue.wake_at <= now || served_already) {
        if (queue.wake_every.count() > 0)
            queue.wake_at +=
                (std::max(now - queue.wake_at, Clock::duration::zero()) / queue.wake_every + 1) *
                queue.wake_every;
        else
            queue.wake_at = Clock::time_point::max();
    }
    return {std::min(until, queue.wake_at), queue.wake_at, queue.posts};
}

// Ends the backend's sleep, once per sleep. Called with the lock held, so the
// backend is not removed while its wake runs.
void WakeBackend(Queue& queue) {
    if (queue.backend_asleep && !queue.backend_woken && queue.backend_wake) {
        queue.backend_woken = true;
        queue.backend_wake();
    }
}

// Sleeps in the window backend until `until`, an event of the backend or a
// wake. Called with the lock held; the lock is released meanwhile, and a post
// in between is not lost: its wake stays with the backend until the sleep.
void SleepInBackend(Queue& queue, std::unique_lock<std::mutex>& hold, Clock::time_point until) {
    const auto left = until - Clock::now();
    if (left <= Clock::duration::zero())
        return;
    // Whole milliseconds, rounded up, so a sleep never ends just short of its end.
    const auto left_ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    const auto timeout_ms = static_cast<DWORD>(std::min<long long>(left_ms, 0x7FFFFFFF));
    void (*const sleep)(DWORD) = queue.backend_wait;
    queue.backend_asleep = true;
    queue.backend_woken = false;
    hold.unlock();
    sleep(timeout_ms);
    hold.lock();
    queue.backend_asleep = false;
}

// Sets one of the queue's wake flags and ends the main thread's wait.
void RaiseAndWake(bool Queue::*flag) {
    Queue& queue = TheQueue();
    {
        std::lock_guard<std::mutex> hold(queue.lock);
        queue.*flag = true;
        WakeBackend(queue);
    }
    queue.posted.notify_all();
}

enum class WaitEnd { Over, RunPumpAgain };

// Waits for a post or a wake, or until the plan's end. RunPumpAgain when the
// pump has work first (a backend event, a finished frame): the caller runs
// it and, finding nothing, waits on with the same plan. Called with the lock
// held.
WaitEnd WaitForPost(Queue& queue, std::unique_lock<std::mutex>& hold, const WaitPlan& plan) {
    const auto ended = [&] { return queue.wake_pending || queue.posts != plan.posts; };
    if (queue.backend_wait && std::this_thread::get_id() == queue.backend_thread) {
        if (!ended() && !queue.pump_pending)
            SleepInBackend(queue, hold, plan.until);
        // A sleep that ended early without a post ended for the backend.
        if (!ended() && Clock::now() < plan.until)
            queue.pump_pending = true;
    } else {
        queue.posted.wait_until(hold, plan.until, [&] { return ended() || queue.pump_pending; });
    }
    if (queue.pump_pending && !ended() && Clock::now() < plan.until) {
        queue.pump_pending = false;
        return WaitEnd::RunPumpAgain;
    }
    // The next look runs the pump before anything else.
    queue.pump_pending = false;
    queue.wake_pending = false;
    if (plan.scheduled_wake <= plan.until && Clock::now() >= plan.scheduled_wake)
        queue.wake_served = plan.scheduled_wake;
    return WaitEnd::Over;
}

bool Matches(const MSG& message, HWND window, UINT filter_min, UINT filter_max) {
    if (window == reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1))) {
        if (message.hwnd != nullptr)
            return false;
    } else if (window != nullptr && message.hwnd != window) {
        return false;
    }
    if (filter_min == 0 && filter_max == 0)
        return true;
    return message.message >= filter_min && message.message <= filter_max;
}

// Takes (or, with PM_NOREMOVE, copies) the first matching message; the
// pending WM_QUIT once nothing else matches. Called with the lock held.
bool Take(Queue& queue, LPMSG out, HWND window, UINT filter_min, UINT filter_max, bool remove) {
    for (auto it = queue.messages.begin(); it != queue.messages.end(); ++it) {
        if (!Matches(*it, window, filter_min, filter_max))
            continue;
        *out = *it;
        if (remove) {
            TrackKeyState(*out);
            queue.messages.erase(it);
        }
        return true;
    }
    if (queue.quit_pending) {
        *out =
            MSG{nullptr, WM_QUIT, static_cast<WPARAM>(queue.quit_code), 0, GetTickCount(), {0, 0}};
        if (remove)
            queue.quit_pending = false;
        return true;
    }
    return false;
}

WNDPROC ProcedureOf(HWND window) {
    auto lookup = procedure_lookup.load(std::memory_order_acquire);
    return (lookup != nullptr && window != nullptr) ? lookup(window) : nullptr;
}

}  // namespace

BOOL PeekMessageA(LPMSG message, HWND window, UINT filter_min, UINT filter_max, UINT remove) {
    if (message == nullptr)
        return FALSE;
    HandleCloseSignal();
    RunPump();
    Queue& queue = TheQueue();
    bool removing = (remove & PM_REMOVE) != 0;
    std::unique_lock<std::mutex> hold(queue.lock);
    if (Take(queue, message, window, filter_min, filter_max, removing))
        return TRUE;
    const WaitPlan plan = PlanWait(queue);
    while (WaitForPost(queue, hold, plan) == WaitEnd::RunPumpAgain) {
        hold.unlock();
        RunPump();
        hold.lock();
        if (Take(queue, message, window, filter_min, filter_max, removing))
            return TRUE;
    }
    return Take(queue, message, window, filter_min, filter_max, removing) ? TRUE : FALSE;
}

BOOL GetMessageA(LPMSG message, HWND window, UINT filter_min, UINT filter_max) {
    if (message == nullptr)
        return -1;
    Queue& queue = TheQueue();
    for (;;) {
        HandleCloseSignal();
        RunPump();
        std::unique_lock<std::mutex> hold(queue.lock);
        if (Take(queue, message, window, filter_min, filter_max, true))
            return message->message == WM_QUIT ? 0 : 1;
        // Wake when the pump must run again.
        WaitForPost(queue, hold, PlanWait(queue));
    }
}

SHORT GetKeyState(int virtual_key) {
    if (virtual_key < 0 || virtual_key > 0xFF)
        return 0;
    return key_held[static_cast<size_t>(virtual_key)] ? static_cast<SHORT>(0x8000) : 0;
}

BOOL TranslateMessage(const MSG* message) {
    if (message == nullptr)
        return FALSE;
    switch (message->message) {
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYDOWN:
        case WM_SYSKEYUP:
            return TRUE;
        default:
            return FALSE;
    }
}

LRESULT DispatchMessageA(const MSG* message) {
    if (message == nullptr)
        return 0;
    WNDPROC procedure = ProcedureOf(message->hwnd);
    return procedure != nullptr
               ? procedure(message->hwnd, message->message, message->wParam, message->lParam)
               : 0;
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Queue& queue = TheQueue();
    {
        std::lock_guard<std::mutex> hold(queue.lock);
        queue.messages.push_back(MSG{window, message, wParam, lParam, GetTickCount(), {0, 0}});
        ++queue.posts;
        WakeBackend(queue);
    }
    queue.posted.notify_all();
    return TRUE;
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC procedure = ProcedureOf(window);
    return procedure != nullptr ? procedure(window, message, wParam, lParam) : 0;
}

void PostQuitMessage(int exit_code) {
    Queue& queue = TheQueue();
    {
        std::lock_guard<std::mutex> hold(queue.lock);
        queue.quit_pending = true;
        queue.quit_code = exit_code;
        ++queue.posts;
        WakeBackend(queue);
    }
    queue.posted.notify_all();
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SYSKEYDOWN && wParam == kVirtualKeyF4 && (lParam & kAltHeldBit) != 0)
        return SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0u) == SC_CLOSE)
        return SendMessageA(window, WM_CLOSE, 0, 0);
    if (auto handler = default_handler.load(std::memory_order_acquire))
        return handler(window, message, wParam, lParam);
    return 0;
}

namespace platform {

void SetMessagePump(void (*function)()) {
    pump.store(function, std::memory_order_release);
}

void SetPumpWaitLimit(DWORD (*limit_ms)()) {
    pump_wait_limit.store(limit_ms, std::memory_order_release);
}

void SetLongestQueueWait(DWORD ms) {
    longest_queue_wait_ms.store(ms, std::memory_order_relaxed);
}

void WakeMessageQueue() {
    RaiseAndWake(&Queue::wake_pending);
}

void WakeMessagePump() {
    RaiseAndWake(&Queue::pump_pending);
}

void SetBackendWait(void (*wait)(DWORD timeout_ms), void (*wake)()) {
    Queue& queue = TheQueue();
    std::lock_guard<std::mutex> hold(queue.lock);
    queue.backend_wait = wait && wake ? wait : nullptr;
    queue.backend_wake = wait && wake ? wake : nullptr;
    queue.backend_thread = std::this_thread::get_id();
}

void WakeMessageQueueIn(DWORD delay_ms, DWORD then_every_us) {
    const Clock::time_point when = Clock::now() + std::chrono::milliseconds(delay_ms);
    Queue& queue = TheQueue();
    std::lock_guard<std::mutex> hold(queue.lock);
    queue.wake_at = when;
    queue.wake_every = std::chrono::microseconds(then_every_us);
}

void StopMessageQueueWakes() {
    Queue& queue = TheQueue();
    std::lock_guard<std::mutex> hold(queue.lock);
    queue.wake_at = Clock::time_point::max();
    queue.wake_every = {};
}

void SetWindowProcedureLookup(WNDPROC (*lookup)(HWND window)) {
    procedure_lookup.store(lookup, std::memory_order_release);
}

void SetWindowDefaultHandler(LRESULT (*handler)(HWND window, UINT message, WPARAM wParam,
                                                LPARAM lParam)) {
    default_handler.store(handler, std::memory_order_release);
}

void SetCloseRequestWindow(HWND window) {
    close_request_window.store(window, std::memory_order_release);
}

void RequestClose() {
    HWND window = close_request_window.load(std::memory_order_acquire);
    if (window != nullptr)
        PostMessageA(window, WM_CLOSE, 0, 0);
    else
        PostQuitMessage(0);
}

void InstallCloseRequestSignals() {
    struct sigaction action {};
    action.sa_handler = OnCloseSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

void ClearMessageQueue() {
    Queue& queue = TheQueue();
    std::lock_guard<std::mutex> hold(queue.lock);
    queue.messages.clear();
    queue.quit_pending = false;
    queue.quit_code = 0;
    queue.wake_at = Clock::time_point::max();
    queue.wake_every = std::chrono::microseconds(0);
    queue.wake_pending = false;
    queue.pump_pending = false;
    close_signal_received = 0;
}

}  // namespace platform
