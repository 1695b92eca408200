// Events: manual reset (stays signalled) and automatic reset (releases one
// waiter).
#include "platform/kernel.h"
#include "platform/kernel/kernel_object.h"
#include "platform/kernel/wait_deadline.h"

namespace {

class Event final : public platform::kernel::KernelObject {
public:
    Event(bool manual_reset, bool signalled) : manual_reset_(manual_reset), signalled_(signalled) {}

    DWORD Wait(DWORD milliseconds) override {
        std::unique_lock<std::mutex> hold(lock_);
        if (!platform::kernel::WaitFor(changed_, hold, milliseconds, [this] { return signalled_; }))
            return WAIT_TIMEOUT;
        if (!manual_reset_)
            signalled_ = false;
        return WAIT_OBJECT_0;
    }

    void Set() {
        {
            std::lock_guard<std::mutex> hold(lock_);
            signalled_ = true;
        }
        if (manual_reset_)
            changed_.notify_all();
        else
            changed_.notify_one();
    }

    void Reset() {
        std::lock_guard<std::mutex> hold(lock_);
        signalled_ = false;
    }

private:
    const bool manual_reset_;
    bool signalled_;
    std::mutex lock_;
    std::condition_variable changed_;
};

}  // namespace

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manual_reset, BOOL initial_state, LPCSTR) {
    return platform::kernel::AddHandle(
        std::make_shared<Event>(manual_reset != FALSE, initial_state != FALSE));
}

BOOL SetEvent(HANDLE event) {
    auto object = platform::kernel::FindHandleOf<Event>(event);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    object->Set();
    return TRUE;
}

BOOL ResetEvent(HANDLE event) {
    auto object = platform::kernel::FindHandleOf<Event>(event);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    object->Reset();
    return TRUE;
}
