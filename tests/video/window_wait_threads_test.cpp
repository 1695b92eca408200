// With a window open (SDL's display-less driver here), the main thread sleeps
// in SDL while its queue is empty: for as long as the queue allows, and no
// longer once another thread posts or SDL has a key for it.
#include <gtest/gtest.h>
#include <SDL.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "platform/message.h"
#include "platform/user.h"

namespace {

using Clock = std::chrono::steady_clock;

LRESULT CALLBACK PlainProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam) + (message == WM_NCCREATE ? 1 : 0);
}

// The message GetMessageA returns while `later` runs on another thread 50 ms
// after the main thread began to wait, and how long the wait took.
MSG TakeWhile(const std::function<void()>& later, Clock::duration& waited) {
    const Clock::time_point start = Clock::now();
    std::thread other([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        later();
    });
    MSG message{};
    EXPECT_EQ(GetMessageA(&message, nullptr, 0, 0), 1);
    waited = Clock::now() - start;
    other.join();
    return message;
}

TEST(WindowWaitTest, TheMainThreadSleepsUntilAPostOrAKeyWakesIt) {
    setenv("NIVRA_VIDEO", "window", 1);
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    unsetenv("NIVRA_INPUT");
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = PlainProcedure;
    window_class.lpszClassName = "NIVRAWAITWND";
    ASSERT_NE(RegisterClassA(&window_class), 0);
    HWND window = CreateWindowExA(0, "NIVRAWAITWND", "NIVRA", WS_POPUP | WS_VISIBLE, 0, 0, 640, 480,
                                  nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    ASSERT_STREQ(platform::GetVideoBackendName(), "window");

    // What opening the window posted (focus) goes first; then an empty queue
    // sleeps its longest wait rather than looking again every millisecond.
    MSG message{};
    platform::SetLongestQueueWait(200);
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
    const Clock::time_point start = Clock::now();
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(190));

    platform::SetLongestQueueWait(5000);
    Clock::duration waited{};
    message = TakeWhile([&] { PostMessageA(window, WM_USER + 3, 0, 0); }, waited);
    EXPECT_EQ(message.message, WM_USER + 3);
    EXPECT_LT(waited, std::chrono::seconds(2));

    message = TakeWhile(
        [] {
            SDL_Event key{};
            key.type = SDL_KEYDOWN;
            key.key.keysym.sym = SDLK_F5;
            SDL_PushEvent(&key);
        },
        waited);
    EXPECT_EQ(message.message, WM_KEYDOWN);
    EXPECT_EQ(message.wParam, static_cast<WPARAM>(VK_F5));
    EXPECT_LT(waited, std::chrono::seconds(2));

    EXPECT_TRUE(DestroyWindow(window));
    platform::ClearMessageQueue();
}

}  // namespace
