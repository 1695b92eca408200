// The objects behind kernel handles (threads, events, mutexes) and the
// table that maps handles to them. A handle is a number, never an address,
// so a stale or made-up handle is refused instead of being followed.
#pragma once

#include "platform/win32_types.h"

#include <memory>

namespace platform::kernel {

class KernelObject {
public:
    virtual ~KernelObject() = default;
    // WaitForSingleObject on this object.
    virtual DWORD Wait(DWORD milliseconds) = 0;
};

// Enters `object` in the table; returns its new handle.
HANDLE AddHandle(std::shared_ptr<KernelObject> object);
// The object of `handle`, null for an unknown handle.
std::shared_ptr<KernelObject> FindHandle(HANDLE handle);
// Removes `handle`; false for an unknown handle.
bool RemoveHandle(HANDLE handle);

template <typename T>
std::shared_ptr<T> FindHandleOf(HANDLE handle) {
    return std::dynamic_pointer_cast<T>(FindHandle(handle));
}

}  // namespace platform::kernel
