#include "platform/kernel.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

TEST(EventTest, ManualResetReleasesEveryWaitUntilReset) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    SetEvent(event);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    ResetEvent(event);
    EXPECT_EQ(WaitForSingleObject(event, 10), WAIT_TIMEOUT);
    EXPECT_TRUE(CloseHandle(event));
}

TEST(EventTest, AutomaticResetReleasesOneWait) {
    HANDLE event = CreateEventA(nullptr, FALSE, TRUE, nullptr);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
    CloseHandle(event);
}

TEST(HandleTest, ClosedAndMadeUpHandlesAreRefused) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    CloseHandle(event);
    EXPECT_FALSE(CloseHandle(event));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_FAILED);
    EXPECT_FALSE(SetEvent(reinterpret_cast<HANDLE>(0x1234)));
    EXPECT_FALSE(SetEvent(nullptr));
}

struct Handshake {
    HANDLE go;
    HANDLE done;
    std::atomic<DWORD> seen_id{0};
};

DWORD WINAPI AnswerAfterGo(LPVOID parameter) {
    auto* shake = static_cast<Handshake*>(parameter);
    shake->seen_id = GetCurrentThreadId();
    WaitForSingleObject(shake->go, INFINITE);
    SetEvent(shake->done);
    return 42;
}

TEST(ThreadTest, RunsReportsItsIdAndExitCode) {
    Handshake shake{CreateEventA(nullptr, TRUE, FALSE, nullptr),
                    CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, AnswerAfterGo, &shake, 0, &id);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 20), WAIT_TIMEOUT);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    SetEvent(shake.go);
    EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(code, 42u);
    EXPECT_EQ(shake.seen_id.load(), id);
    EXPECT_NE(id, GetCurrentThreadId());
    CloseHandle(thread);
    CloseHandle(shake.go);
    CloseHandle(shake.done);
}

TEST(ThreadTest, SuspendedThreadWaitsForResumeAndSurvivesItsHandle) {
    Handshake shake{CreateEventA(nullptr, TRUE, TRUE, nullptr),
                    CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    HANDLE thread =
        CreateThread(nullptr, 64 * 1024, AnswerAfterGo, &shake, CREATE_SUSPENDED, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(shake.done, 30), WAIT_TIMEOUT);
    EXPECT_EQ(ResumeThread(thread), 1u);
    EXPECT_EQ(ResumeThread(thread), 0u);
    CloseHandle(thread);  // the thread keeps running
    EXPECT_EQ(WaitForSingleObject(shake.done, 5000), WAIT_OBJECT_0);
    CloseHandle(shake.go);
    CloseHandle(shake.done);
}

TEST(ThreadTest, PriorityIsRememberedEvenWhenTheSystemRefusesIt) {
    EXPECT_TRUE(SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL));
    EXPECT_EQ(GetThreadPriority(GetCurrentThread()), THREAD_PRIORITY_BELOW_NORMAL);
    EXPECT_TRUE(SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL));
    EXPECT_EQ(GetThreadPriority(reinterpret_cast<HANDLE>(0x4444)), THREAD_PRIORITY_ERROR_RETURN);
}

struct Counter {
    CRITICAL_SECTION section;
    long value = 0;
};

DWORD WINAPI CountUp(LPVOID parameter) {
    auto* counter = static_cast<Counter*>(parameter);
    for (int i = 0; i < 10000; ++i) {
        EnterCriticalSection(&counter->section);
        EnterCriticalSection(&counter->section);  // recursive, as in Win32
        ++counter->value;
        LeaveCriticalSection(&counter->section);
        LeaveCriticalSection(&counter->section);
    }
    return 0;
}

TEST(CriticalSectionTest, IsRecursiveAndExcludesOtherThreads) {
    Counter counter;
    InitializeCriticalSection(&counter.section);
    HANDLE threads[2] = {CreateThread(nullptr, 0, CountUp, &counter, 0, nullptr),
                         CreateThread(nullptr, 0, CountUp, &counter, 0, nullptr)};
    for (HANDLE thread : threads) {
        EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
        CloseHandle(thread);
    }
    EXPECT_EQ(counter.value, 20000);
    EXPECT_TRUE(TryEnterCriticalSection(&counter.section));
    LeaveCriticalSection(&counter.section);
    DeleteCriticalSection(&counter.section);
}

}  // namespace
