// Threads over pthreads. The thread object is shared by its handle and by
// the running thread, so closing the handle never pulls the object from
// under a thread that is still running (the thread is detached).
#include "platform/kernel.h"
#include "platform/kernel/kernel_object.h"
#include "platform/kernel/wait_deadline.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

const HANDLE kCurrentThreadPseudoHandle = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-2));

DWORD CurrentTid() {
    return static_cast<DWORD>(syscall(SYS_gettid));
}

// Applies a Win32 priority to the Linux thread `tid`. Raised priorities ask
// for real-time scheduling, lowered ones for a higher nice value; either may
// be refused, which leaves the thread as it was.
void ApplyPriority(DWORD tid, int priority) {
    sched_param param{};
    if (priority > THREAD_PRIORITY_NORMAL) {
        int lowest = sched_get_priority_min(SCHED_FIFO);
        param.sched_priority =
            priority >= THREAD_PRIORITY_TIME_CRITICAL ? lowest + 40 : lowest + priority * 10;
        sched_setscheduler(static_cast<pid_t>(tid), SCHED_FIFO, &param);
        return;
    }
    sched_setscheduler(static_cast<pid_t>(tid), SCHED_OTHER, &param);
    int nice_value = priority <= THREAD_PRIORITY_IDLE ? 19 : -priority * 5;
    setpriority(PRIO_PROCESS, static_cast<id_t>(tid), nice_value);
}

class Thread final : public platform::kernel::KernelObject {
public:
    Thread(LPTHREAD_START_ROUTINE start, LPVOID parameter, bool suspended)
        : start_(start), parameter_(parameter), held_(suspended) {}

    DWORD Wait(DWORD milliseconds) override {
        std::unique_lock<std::mutex> hold(lock_);
        return platform::kernel::WaitFor(changed_, hold, milliseconds, [this] { return finished_; })
                   ? WAIT_OBJECT_0
                   : WAIT_TIMEOUT;
    }

    // Body of the new thread.
    void Main() {
        {
            std::unique_lock<std::mutex> hold(lock_);
            tid_ = CurrentTid();
            changed_.notify_all();
            changed_.wait(hold, [this] { return !held_; });
        }
        DWORD result = start_(parameter_);
        std::lock_guard<std::mutex> hold(lock_);
        exit_code_ = result;
        finished_ = true;
        changed_.notify_all();
    }

    // Waits until the thread has reported its id.
    DWORD WaitForTid() {
        std::unique_lock<std::mutex> hold(lock_);
        changed_.wait(hold, [this] { return tid_ != 0; });
        return tid_;
    }

    DWORD Resume() {
        std::lock_guard<std::mutex> hold(lock_);
        DWORD previous = held_ ? 1 : 0;
        held_ = false;
        changed_.notify_all();
        return previous;
    }

    DWORD ExitCode() {
        std::lock_guard<std::mutex> hold(lock_);
        return finished_ ? exit_code_ : STILL_ACTIVE;
    }

    bool SetPriority(int priority) {
        std::lock_guard<std::mutex> hold(lock_);
        priority_ = priority;
        if (!finished_)
            ApplyPriority(tid_, priority);
        return true;
    }

    int Priority() {
        std::lock_guard<std::mutex> hold(lock_);
        return priority_;
    }

private:
    const LPTHREAD_START_ROUTINE start_;
    const LPVOID parameter_;
    std::mutex lock_;
    std::condition_variable changed_;
    bool held_;
    bool finished_ = false;
    DWORD tid_ = 0;
    DWORD exit_code_ = 0;
    int priority_ = THREAD_PRIORITY_NORMAL;
};

// Priority of threads the program did not create (the main thread), as
// last set through the pseudo handle.
thread_local int own_priority = THREAD_PRIORITY_NORMAL;

void* ThreadEntry(void* argument) {
    auto* thread = static_cast<std::shared_ptr<Thread>*>(argument);
    std::shared_ptr<Thread> keep = std::move(*thread);
    delete thread;
    keep->Main();
    return nullptr;
}

}  // namespace

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T stack_size, LPTHREAD_START_ROUTINE start,
                    LPVOID parameter, DWORD creation_flags, LPDWORD thread_id) {
    if (start == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto thread =
        std::make_shared<Thread>(start, parameter, (creation_flags & CREATE_SUSPENDED) != 0);
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    if (stack_size != 0) {
        SIZE_T minimum = static_cast<SIZE_T>(PTHREAD_STACK_MIN);
        pthread_attr_setstacksize(&attributes, stack_size < minimum ? minimum : stack_size);
    }
    auto* argument = new std::shared_ptr<Thread>(thread);
    pthread_t native;
    int failed = pthread_create(&native, &attributes, ThreadEntry, argument);
    pthread_attr_destroy(&attributes);
    if (failed) {
        delete argument;
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    DWORD tid = thread->WaitForTid();
    if (thread_id != nullptr)
        *thread_id = tid;
    return platform::kernel::AddHandle(thread);
}

DWORD ResumeThread(HANDLE thread) {
    auto object = platform::kernel::FindHandleOf<Thread>(thread);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return static_cast<DWORD>(-1);
    }
    return object->Resume();
}

BOOL GetExitCodeThread(HANDLE thread, LPDWORD exit_code) {
    auto object = platform::kernel::FindHandleOf<Thread>(thread);
    if (!object || exit_code == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    *exit_code = object->ExitCode();
    return TRUE;
}

HANDLE GetCurrentThread() {
    return kCurrentThreadPseudoHandle;
}

DWORD GetCurrentThreadId() {
    return CurrentTid();
}

BOOL SetThreadPriority(HANDLE thread, int priority) {
    if (thread == kCurrentThreadPseudoHandle) {
        own_priority = priority;
        ApplyPriority(CurrentTid(), priority);
        return TRUE;
    }
    auto object = platform::kernel::FindHandleOf<Thread>(thread);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return object->SetPriority(priority) ? TRUE : FALSE;
}

int GetThreadPriority(HANDLE thread) {
    if (thread == kCurrentThreadPseudoHandle)
        return own_priority;
    auto object = platform::kernel::FindHandleOf<Thread>(thread);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return THREAD_PRIORITY_ERROR_RETURN;
    }
    return object->Priority();
}
