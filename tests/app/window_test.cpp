// The window wrapper: the registry record of a created window, and how
// WindowProc hands each message to a handler, to OnMessage and to the
// application's default procedure.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/window.h"
#include "app/window_registry.h"
#include "tests/app/recording_application.h"

namespace {

// Records every handler call as text; each handler answers what the test
// chose for it (by default what the base class answers).
class RecordingWindow : public CWindow {
public:
    std::vector<std::string> calls;
    LRESULT on_message = NOT_HANDLED;
    LRESULT on_create = NOT_HANDLED;
    LRESULT on_close = NOT_HANDLED;
    LRESULT on_destroy = 0;
    LRESULT on_key = 0;
    LRESULT on_button = 0;
    LRESULT on_activate = 0;

    LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM) override {
        calls.push_back("message " + std::to_string(message) + " " + std::to_string(wparam));
        return on_message;
    }
    LRESULT OnCreate(WPARAM) override {
        calls.push_back("create");
        return on_create;
    }
    LRESULT OnClose() override {
        calls.push_back("close");
        return on_close;
    }
    LRESULT OnDestroy() override {
        calls.push_back("destroy");
        return on_destroy;
    }
    LRESULT OnKeyDown(WPARAM key, LPARAM) override {
        calls.push_back("keydown " + std::to_string(key));
        return on_key;
    }
    LRESULT OnKeyUp(WPARAM key, LPARAM) override {
        calls.push_back("keyup " + std::to_string(key));
        return on_key;
    }
    LRESULT OnButtonDown(int button, WPARAM, int x, int y) override {
        calls.push_back("down " + std::to_string(button) + " " + std::to_string(x) + "," +
                        std::to_string(y));
        return on_button;
    }
    LRESULT OnButtonUp(int button, WPARAM, int x, int y) override {
        calls.push_back("up " + std::to_string(button) + " " + std::to_string(x) + "," +
                        std::to_string(y));
        return on_button;
    }
    LRESULT OnMouseMove(WPARAM, int x, int y) override {
        calls.push_back("move " + std::to_string(x) + "," + std::to_string(y));
        return on_button;
    }
    LRESULT OnActivate(LPARAM, WORD minimized) override {
        calls.push_back("activate " + std::to_string(minimized));
        return on_activate;
    }
    LRESULT OnDeactivate(LPARAM, WORD minimized) override {
        calls.push_back("deactivate " + std::to_string(minimized));
        return on_activate;
    }
    LRESULT OnActivateApp(WPARAM active) override {
        calls.push_back("activateapp " + std::to_string(active));
        return on_activate;
    }
};

constexpr const char* kClassName = "NIVRAWRAPPERTEST";
constexpr UINT kLeftDoubleClick = 0x0203;  // a double click of the left button

// Two 16-bit halves, as mouse positions and WM_ACTIVATE's wParam carry them.
LPARAM Pair(int low, int high) {
    return static_cast<LPARAM>(static_cast<DWORD>(MAKELONG(low, high)));
}

class WindowWrapperTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        setenv("NIVRA_VIDEO", "headless", 1);
        unsetenv("NIVRA_INPUT");
        // Once per process: a class name stays taken.
        static const bool registered = [] {
            WNDCLASSA window_class = {};
            window_class.lpszClassName = kClassName;
            // A null procedure becomes WindowProc.
            return CWindow::RegisterClass(window_class);
        }();
        ASSERT_TRUE(registered);
    }
    void SetUp() override {
        ASSERT_TRUE(window_.Create(kClassName, "TEST", WS_POPUP, 0, RECT{0, 0, 64, 48}, nullptr,
                                   nullptr, nullptr));
        for (const auto& call : application_.default_calls)
            creation_messages_.push_back(call.message);
        application_.default_calls.clear();
    }
    void TearDown() override { platform::ClearMessageQueue(); }

    LRESULT Send(UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
        return SendMessageA(window_.GetHandle(), message, wparam, lparam);
    }

    RecordingApplication application_;
    RecordingWindow window_;
    std::vector<UINT> creation_messages_;
};

TEST_F(WindowWrapperTest, CreateRecordsTheWindowOnceAndDestructionRemovesIt) {
    const HWND handle = window_.GetHandle();
    EXPECT_TRUE(window_.IsRegistered());
    EXPECT_EQ(FindWindowObject(handle), &window_);
    // The messages of the creation came before the record: they went to the
    // application's default procedure, never to OnCreate.
    EXPECT_TRUE(window_.calls.empty());
    EXPECT_EQ(creation_messages_, (std::vector<UINT>{WM_NCCREATE, WM_CREATE}));
    EXPECT_FALSE(window_.Create(kClassName, "AGAIN", WS_POPUP, 0, RECT{0, 0, 8, 8}, nullptr,
                                nullptr, nullptr));
    EXPECT_EQ(window_.GetHandle(), handle);

    const std::uint32_t records = GetWindowRegistry().GetCount();
    EXPECT_TRUE(window_.DestroyHeldWindow());
    EXPECT_EQ(GetWindowRegistry().GetCount(), records - 1);
    EXPECT_EQ(FindWindowObject(handle), nullptr);
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_EQ(window_.GetHandle(), nullptr);
    EXPECT_FALSE(window_.DestroyHeldWindow());
}

TEST_F(WindowWrapperTest, HandledKeysStopThereOthersGoOnToOnMessageAndTheDefault) {
    window_.on_key = 1;
    EXPECT_EQ(Send(WM_KEYDOWN, VK_F5), 1);
    EXPECT_EQ(window_.calls, (std::vector<std::string>{"keydown 116"}));

    window_.calls.clear();
    window_.on_key = 0;
    EXPECT_EQ(Send(WM_KEYUP, 'A'), RecordingApplication::kDefaultResult);
    EXPECT_EQ(window_.calls, (std::vector<std::string>{"keyup 65", "message 257 65"}));
    ASSERT_EQ(application_.default_calls.size(), 1u);
    EXPECT_EQ(application_.default_calls[0].message, static_cast<UINT>(WM_KEYUP));

    // Whatever OnMessage answers other than NOT_HANDLED makes the result 1.
    window_.on_message = 0;
    EXPECT_EQ(Send(WM_KEYDOWN, 'B'), 1);
    EXPECT_EQ(application_.default_calls.size(), 1u);
}

TEST_F(WindowWrapperTest, MouseMessagesCarryButtonAndUnsignedCoordinates) {
    window_.on_button = 1;
    const LPARAM far_corner = Pair(0xFFF0, 7);
    EXPECT_EQ(Send(WM_LBUTTONDOWN, 0, far_corner), 1);
    EXPECT_EQ(Send(WM_MBUTTONDOWN, 0, Pair(1, 2)), 1);
    EXPECT_EQ(Send(WM_RBUTTONUP, 0, Pair(3, 4)), 1);
    EXPECT_EQ(Send(WM_MOUSEMOVE, 0, Pair(5, 0x8000)), 1);
    // A double click is no button press for the handlers.
    Send(kLeftDoubleClick, 0, Pair(9, 9));
    EXPECT_EQ(window_.calls,
              (std::vector<std::string>{"down 0 65520,7", "down 1 1,2", "up 2 3,4", "move 5,32768",
                                        "message " + std::to_string(kLeftDoubleClick) + " 0"}));
}

TEST_F(WindowWrapperTest, ActivationPicksItsHandlerByTheLowWord) {
    window_.on_activate = 1;
    EXPECT_EQ(Send(WM_ACTIVATE, static_cast<WPARAM>(Pair(1, 1))), 0);
    EXPECT_EQ(Send(WM_ACTIVATE, static_cast<WPARAM>(Pair(0, 0))), 0);
    EXPECT_EQ(Send(WM_ACTIVATEAPP, 1), 1);
    EXPECT_EQ(window_.calls,
              (std::vector<std::string>{"activate 1", "deactivate 0", "activateapp 1"}));
}

TEST_F(WindowWrapperTest, CloseAnsweredZeroDestroysTheWindowOthersKeepIt) {
    window_.on_close = 5;
    EXPECT_EQ(Send(WM_CLOSE), 1);
    EXPECT_TRUE(IsWindow(window_.GetHandle()));

    window_.on_close = NOT_HANDLED;
    window_.calls.clear();
    EXPECT_EQ(Send(WM_CLOSE), RecordingApplication::kDefaultResult);
    EXPECT_EQ(window_.calls,
              (std::vector<std::string>{"close", "message " + std::to_string(WM_CLOSE) + " 0"}));

    window_.on_close = 0;
    const HWND handle = window_.GetHandle();
    EXPECT_EQ(Send(WM_CLOSE), 1);
    EXPECT_FALSE(IsWindow(handle));
}

TEST_F(WindowWrapperTest, DestroyAndCreateAnswersDecideWhetherOnMessageIsAsked) {
    window_.on_destroy = 1;
    EXPECT_EQ(Send(WM_DESTROY), 0);
    window_.on_create = 9;
    EXPECT_EQ(Send(WM_CREATE), 9);
    EXPECT_EQ(window_.calls, (std::vector<std::string>{"destroy", "create"}));

    window_.calls.clear();
    window_.on_destroy = 0;
    window_.on_create = NOT_HANDLED;
    window_.on_message = 3;
    EXPECT_EQ(Send(WM_DESTROY), 1);
    EXPECT_EQ(Send(WM_CREATE), 1);
    EXPECT_EQ(window_.calls.size(), 4u);
}

TEST_F(WindowWrapperTest, UnknownWindowsGoStraightToTheDefaultProcedure) {
    const HWND stranger = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0xBAD0));
    EXPECT_EQ(WindowProc(stranger, WM_KEYDOWN, VK_ESCAPE, 0), RecordingApplication::kDefaultResult);
    ASSERT_EQ(application_.default_calls.size(), 1u);
    EXPECT_EQ(application_.default_calls[0].window, stranger);
    EXPECT_EQ(application_.default_calls[0].wparam, static_cast<WPARAM>(VK_ESCAPE));
    EXPECT_TRUE(window_.calls.empty());
}

}  // namespace
