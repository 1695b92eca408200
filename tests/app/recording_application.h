// An application object for handler tests: records what reaches Quit and
// DefaultWindowProc instead of fading, stopping and quitting.
#pragma once

#include <vector>

#include "app/application.h"

class RecordingApplication : public CApplicationBase {
public:
    struct DefaultCall {
        HWND window;
        UINT message;
        WPARAM wparam;
        LPARAM lparam;
    };

    void Quit(int exit_code) override { quit_codes.push_back(exit_code); }
    LRESULT DefaultWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override {
        default_calls.push_back({window, message, wparam, lparam});
        return kDefaultResult;
    }

    // What DefaultWindowProc answers, so a test sees that it was the result.
    static constexpr LRESULT kDefaultResult = 77;

    std::vector<int> quit_codes;
    std::vector<DefaultCall> default_calls;
};
