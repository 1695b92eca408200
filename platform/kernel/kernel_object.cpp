#include "platform/kernel/kernel_object.h"

#include "platform/kernel.h"

#include <mutex>
#include <unordered_map>

namespace platform::kernel {
namespace {

struct HandleTable {
    std::mutex lock;
    std::unordered_map<UINT_PTR, std::shared_ptr<KernelObject>> objects;
    // Win32 handles are multiples of 4; starting high keeps them clear of
    // small integers and of the pseudo handles (-1, -2).
    UINT_PTR next = 0x1000;
};

HandleTable& Table() {
    static HandleTable* table = new HandleTable;  // outlives detached threads at exit
    return *table;
}

}  // namespace

HANDLE AddHandle(std::shared_ptr<KernelObject> object) {
    HandleTable& table = Table();
    std::lock_guard<std::mutex> hold(table.lock);
    UINT_PTR value = table.next;
    table.next += 4;
    table.objects.emplace(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> FindHandle(HANDLE handle) {
    HandleTable& table = Table();
    std::lock_guard<std::mutex> hold(table.lock);
    auto found = table.objects.find(reinterpret_cast<UINT_PTR>(handle));
    return found == table.objects.end() ? nullptr : found->second;
}

bool RemoveHandle(HANDLE handle) {
    std::shared_ptr<KernelObject> removed;  // destroyed after the lock is let go
    HandleTable& table = Table();
    std::lock_guard<std::mutex> hold(table.lock);
    auto found = table.objects.find(reinterpret_cast<UINT_PTR>(handle));
    if (found == table.objects.end())
        return false;
    removed = std::move(found->second);
    table.objects.erase(found);
    return true;
}

}  // namespace platform::kernel

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    auto object = platform::kernel::FindHandle(handle);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    return object->Wait(milliseconds);
}

BOOL CloseHandle(HANDLE handle) {
    if (!platform::kernel::RemoveHandle(handle)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
