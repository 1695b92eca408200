// Critical sections are recursive mutexes built in place in the caller's
// CRITICAL_SECTION, so initialising one cannot fail.
#include "platform/kernel.h"

#include <new>

namespace {

std::recursive_mutex& MutexOf(LPCRITICAL_SECTION section) {
    return *std::launder(reinterpret_cast<std::recursive_mutex*>(section->storage));
}

}  // namespace

void InitializeCriticalSection(LPCRITICAL_SECTION section) {
    new (section->storage) std::recursive_mutex();
}

void DeleteCriticalSection(LPCRITICAL_SECTION section) {
    MutexOf(section).~recursive_mutex();
}

void EnterCriticalSection(LPCRITICAL_SECTION section) {
    MutexOf(section).lock();
}

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section) {
    return MutexOf(section).try_lock() ? TRUE : FALSE;
}

void LeaveCriticalSection(LPCRITICAL_SECTION section) {
    MutexOf(section).unlock();
}
