#include "platform/kernel.h"
#include "platform/message.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>
#include <vector>

namespace {

HWND FakeWindow(UINT_PTR value) {
    return reinterpret_cast<HWND>(value);
}

std::vector<UINT> received;
LRESULT CALLBACK RecordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    received.push_back(message);
    return DefWindowProcA(window, message, wParam, lParam);
}
WNDPROC LookupRecording(HWND window) {
    return window == FakeWindow(0x10) ? RecordingProcedure : nullptr;
}

int pump_calls = 0;
void CountingPump() {
    ++pump_calls;
}

class MessageQueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ClearMessageQueue();
        received.clear();
    }
    void TearDown() override {
        platform::SetMessagePump(nullptr);
        platform::SetPumpWaitLimit(nullptr);
        platform::SetWindowProcedureLookup(nullptr);
        platform::SetCloseRequestWindow(nullptr);
        platform::ClearMessageQueue();
    }
};

TEST_F(MessageQueueTest, DeliversInOrderAndQuitComesLast) {
    PostMessageA(FakeWindow(0x10), WM_KEYDOWN, 1, 0);
    PostQuitMessage(7);
    PostMessageA(FakeWindow(0x10), WM_KEYDOWN, 2, 0);
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(message.wParam, 1u);
    ASSERT_EQ(GetMessageA(&message, nullptr, 0, 0), 1);
    EXPECT_EQ(message.wParam, 1u);
    ASSERT_EQ(GetMessageA(&message, nullptr, 0, 0), 1);
    EXPECT_EQ(message.wParam, 2u);
    // The pending quit is seen without removing it, then retrieved once.
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(message.message, WM_QUIT);
    EXPECT_EQ(GetMessageA(&message, nullptr, 0, 0), 0);
    EXPECT_EQ(message.wParam, 7u);
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(GetMessageA(nullptr, nullptr, 0, 0), -1);
}

TEST_F(MessageQueueTest, KeyStateFollowsTheMessagesTakenNotThePosts) {
    constexpr int kShift = 0x10;
    PostMessageA(FakeWindow(0x10), WM_KEYDOWN, kShift, 0);
    PostMessageA(FakeWindow(0x10), WM_KEYDOWN, 'F', 0);
    PostMessageA(FakeWindow(0x10), WM_KEYUP, 'F', 0);
    PostMessageA(FakeWindow(0x10), WM_KEYUP, kShift, 0);
    MSG message;
    EXPECT_EQ(GetKeyState(kShift), 0);  // posted, not yet taken
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(GetKeyState(kShift), 0);  // a look does not count
    ASSERT_EQ(GetMessageA(&message, nullptr, 0, 0), 1);
    ASSERT_EQ(GetMessageA(&message, nullptr, 0, 0), 1);
    EXPECT_EQ(message.wParam, static_cast<WPARAM>('F'));
    EXPECT_NE(GetKeyState(kShift) & 0x8000, 0);
    EXPECT_NE(GetKeyState('F') & 0x8000, 0);
    ASSERT_EQ(GetMessageA(&message, nullptr, 0, 0), 1);
    EXPECT_EQ(GetKeyState('F'), 0);
    EXPECT_NE(GetKeyState(kShift) & 0x8000, 0);
    ASSERT_EQ(GetMessageA(&message, nullptr, 0, 0), 1);
    EXPECT_EQ(GetKeyState(kShift), 0);
    EXPECT_EQ(GetKeyState(-1), 0);
    EXPECT_EQ(GetKeyState(0x100), 0);
}

TEST_F(MessageQueueTest, FiltersByWindowAndRange) {
    PostMessageA(FakeWindow(0x20), WM_KEYDOWN, 1, 0);
    PostMessageA(FakeWindow(0x10), WM_PAINT, 2, 0);
    PostMessageA(nullptr, WM_USER, 3, 0);
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, FakeWindow(0x10), 0, 0, PM_REMOVE));
    EXPECT_EQ(message.wParam, 2u);
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_USER, WM_USER, PM_REMOVE));
    EXPECT_EQ(message.wParam, 3u);
    EXPECT_FALSE(PeekMessageA(&message, FakeWindow(0x10), 0, 0, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE));
    EXPECT_EQ(message.hwnd, FakeWindow(0x20));
}

TEST_F(MessageQueueTest, EmptyQueueWaitsBrieflyAndWakesForAPost) {
    MSG message;
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE));
    // It waited rather than answering at once (a polling loop must not spin).
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::microseconds(500));

    std::thread poster([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        PostMessageA(FakeWindow(0x10), WM_USER + 1, 0, 0);
    });
    EXPECT_EQ(GetMessageA(&message, nullptr, 0, 0), 1);
    EXPECT_EQ(message.message, WM_USER + 1);
    poster.join();
}

TEST_F(MessageQueueTest, ThePumpsLimitLengthensTheWaitUpTo20MsAndAPostStillEndsIt) {
    platform::SetPumpWaitLimit([] { return DWORD{60000}; });
    MSG message;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(19));

    std::thread poster([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        PostMessageA(FakeWindow(0x10), WM_USER + 2, 0, 0);
    });
    EXPECT_EQ(GetMessageA(&message, nullptr, 0, 0), 1);
    EXPECT_EQ(message.message, WM_USER + 2);
    poster.join();
}

TEST_F(MessageQueueTest, PumpRunsBeforeEveryLookAndDispatchFindsTheProcedure) {
    platform::SetMessagePump(CountingPump);
    platform::SetWindowProcedureLookup(LookupRecording);
    pump_calls = 0;
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    EXPECT_GE(pump_calls, 1);

    PostMessageA(FakeWindow(0x10), WM_PAINT, 0, 0);
    PostMessageA(FakeWindow(0x99), WM_PAINT, 0, 0);  // no procedure: dropped
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&message);
    EXPECT_EQ(received, (std::vector<UINT>{WM_PAINT}));
}

// A finished frame wakes only the pump: the look still lasts to its end, so
// the main loop's idle work does not run once a frame.
TEST_F(MessageQueueTest, APumpWakeRunsThePumpAndTheWaitKeepsItsEnd) {
    platform::SetMessagePump(CountingPump);
    platform::SetPumpWaitLimit([] { return DWORD{60000}; });
    platform::SetLongestQueueWait(300);
    pump_calls = 0;
    std::thread frames([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        platform::WakeMessagePump();
    });
    MSG message;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(290));
    frames.join();
    EXPECT_EQ(pump_calls, 2);  // before the look, and for the wake
    platform::SetLongestQueueWait(20);
}

TEST_F(MessageQueueTest, AltF4BecomesCloseThroughDefaultProcessing) {
    platform::SetWindowProcedureLookup(LookupRecording);
    const LPARAM alt = LPARAM{1} << 29;
    SendMessageA(FakeWindow(0x10), WM_SYSKEYDOWN, 0x73, alt);
    EXPECT_EQ(received, (std::vector<UINT>{WM_SYSKEYDOWN, WM_SYSCOMMAND, WM_CLOSE}));
    received.clear();
    SendMessageA(FakeWindow(0x10), WM_SYSKEYDOWN, 0x73, 0);  // F4 without Alt
    EXPECT_EQ(received, (std::vector<UINT>{WM_SYSKEYDOWN}));
}

TEST_F(MessageQueueTest, SignalsBecomeCloseRequests) {
    platform::InstallCloseRequestSignals();
    MSG message;
    std::raise(SIGTERM);  // no window yet: the loop ends normally
    ASSERT_EQ(GetMessageA(&message, nullptr, 0, 0), 0);
    EXPECT_EQ(message.wParam, 0u);

    platform::SetCloseRequestWindow(FakeWindow(0x10));
    std::raise(SIGINT);
    ASSERT_EQ(GetMessageA(&message, nullptr, 0, 0), 1);
    EXPECT_EQ(message.message, WM_CLOSE);
    EXPECT_EQ(message.hwnd, FakeWindow(0x10));
}

}  // namespace
