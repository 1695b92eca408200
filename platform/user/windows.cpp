// Window classes and windows. Handles are numbers into a table, so a stale
// handle is simply not a window. The first top-level window opens the video
// backend and receives input and close requests.
#include <cctype>
#include <map>
#include <mutex>
#include <string>

#include "platform/codepage.h"
#include "platform/message.h"
#include "platform/user.h"
#include "platform/user/video_session.h"

namespace {

struct WindowClass {
    WNDCLASSA description{};
    std::string name;
};

struct Window {
    std::string class_name;
    WNDPROC procedure = nullptr;
    RECT rect{};
    bool top_level = false;
    std::string text;
};

struct WindowTables {
    std::mutex lock;
    std::map<std::string, WindowClass> classes;
    std::map<std::uintptr_t, Window> windows;
    std::uintptr_t next_handle = 0x100;
    HWND input_window = nullptr;
    int cursor_count = 0;
    HCURSOR cursor = nullptr;
};

WindowTables& Tables() {
    static WindowTables tables;
    return tables;
}

std::string ClassKey(LPCSTR name) {
    std::string key = name ? name : "";
    for (char& c : key)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return key;
}

std::uintptr_t Key(HWND window) {
    return reinterpret_cast<std::uintptr_t>(window);
}

WNDPROC LookupProcedure(HWND window) {
    WindowTables& tables = Tables();
    std::lock_guard guard(tables.lock);
    auto it = tables.windows.find(Key(window));
    return it == tables.windows.end() ? nullptr : it->second.procedure;
}

// What only the window layer can do for DefWindowProcA.
LRESULT DefaultWindowBehaviour(HWND window, UINT message, WPARAM wParam, LPARAM) {
    // A window whose procedure leaves WM_NCCREATE to the default goes on being created.
    if (message == WM_NCCREATE)
        return TRUE;
    if (message == WM_CLOSE) {
        DestroyWindow(window);
        return 0;
    }
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_MINIMIZE)
        platform::video::VideoSession::Get().Minimize();
    return 0;
}

constexpr std::uintptr_t kArrowCursor = 32512;
constexpr std::uintptr_t kWaitCursor = 32514;
constexpr std::uintptr_t kProgramIcon = 1;

}  // namespace

ATOM RegisterClassA(const WNDCLASSA* window_class) {
    if (!window_class || !window_class->lpszClassName || !*window_class->lpszClassName ||
        IS_INTRESOURCE(window_class->lpszClassName))
        return 0;
    WindowTables& tables = Tables();
    std::lock_guard guard(tables.lock);
    const std::string key = ClassKey(window_class->lpszClassName);
    if (tables.classes.count(key))
        return 0;
    WindowClass& stored = tables.classes[key];
    stored.name = window_class->lpszClassName;
    stored.description = *window_class;
    stored.description.lpszClassName = stored.name.c_str();
    stored.description.lpszMenuName = nullptr;
    return static_cast<ATOM>(0xC000 + tables.classes.size());
}

BOOL UnregisterClassA(LPCSTR class_name, HINSTANCE) {
    if (!class_name || IS_INTRESOURCE(class_name))
        return FALSE;
    WindowTables& tables = Tables();
    std::lock_guard guard(tables.lock);
    return tables.classes.erase(ClassKey(class_name)) ? TRUE : FALSE;
}

HWND CreateWindowExA(DWORD ex_style, LPCSTR class_name, LPCSTR window_name, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID parameter) {
    if (!class_name || IS_INTRESOURCE(class_name))
        return nullptr;
    WindowTables& tables = Tables();
    HWND handle = nullptr;
    WNDPROC procedure = nullptr;
    bool first_top_level = false;
    {
        std::lock_guard guard(tables.lock);
        auto found = tables.classes.find(ClassKey(class_name));
        if (found == tables.classes.end() || !found->second.description.lpfnWndProc)
            return nullptr;
        if (parent && !tables.windows.count(Key(parent)))
            return nullptr;
        procedure = found->second.description.lpfnWndProc;
        handle = reinterpret_cast<HWND>(tables.next_handle++);
        Window& window = tables.windows[Key(handle)];
        window.class_name = found->first;
        window.procedure = procedure;
        window.rect = RECT{x, y, x + width, y + height};
        window.top_level = parent == nullptr;
        window.text = window_name ? window_name : "";
        first_top_level = window.top_level && !tables.input_window;
        if (first_top_level)
            tables.input_window = handle;
    }
    if (first_top_level) {
        platform::SetWindowProcedureLookup(&LookupProcedure);
        platform::SetWindowDefaultHandler(&DefaultWindowBehaviour);
        platform::video::VideoSession::Get().Open(handle, window_name);
        platform::SetMessagePump([] { platform::video::VideoSession::Get().Pump(); });
        platform::SetPumpWaitLimit(
            [] { return platform::video::VideoSession::Get().PumpWaitLimitMs(); });
        platform::SetCloseRequestWindow(handle);
    }
    CREATESTRUCTA create{
        parameter,   instance,   menu,    parent, height, width, y, x, static_cast<LONG>(style),
        window_name, class_name, ex_style};
    const LPARAM create_param = reinterpret_cast<LPARAM>(&create);
    if (procedure(handle, WM_NCCREATE, 0, create_param) == 0 ||
        procedure(handle, WM_CREATE, 0, create_param) == -1) {
        DestroyWindow(handle);
        return nullptr;
    }
    return handle;
}

BOOL DestroyWindow(HWND window) {
    WindowTables& tables = Tables();
    WNDPROC procedure = LookupProcedure(window);
    if (!procedure)
        return FALSE;
    procedure(window, WM_DESTROY, 0, 0);
    procedure(window, WM_NCDESTROY, 0, 0);
    bool was_input_window = false;
    {
        std::lock_guard guard(tables.lock);
        tables.windows.erase(Key(window));
        was_input_window = tables.input_window == window;
        if (was_input_window)
            tables.input_window = nullptr;
    }
    if (was_input_window) {
        platform::SetCloseRequestWindow(nullptr);
        platform::SetMessagePump(nullptr);
        platform::SetPumpWaitLimit(nullptr);
        platform::video::VideoSession::Get().Close();
    }
    return TRUE;
}

BOOL IsWindow(HWND window) {
    return LookupProcedure(window) ? TRUE : FALSE;
}

BOOL SetWindowTextA(HWND window, LPCSTR text) {
    WindowTables& tables = Tables();
    bool shown = false;
    {
        std::lock_guard guard(tables.lock);
        auto it = tables.windows.find(Key(window));
        if (it == tables.windows.end())
            return FALSE;
        it->second.text = text ? text : "";
        shown = window == tables.input_window;
    }
    if (shown)
        platform::video::VideoSession::Get().SetTitle(
            platform::Cp932ToUtf8(text ? text : "").c_str());
    return TRUE;
}

int GetWindowTextA(HWND window, LPSTR text, int max_count) {
    if (text == nullptr || max_count <= 0)
        return 0;
    WindowTables& tables = Tables();
    std::lock_guard guard(tables.lock);
    auto it = tables.windows.find(Key(window));
    const std::string copied = it == tables.windows.end()
                                   ? std::string()
                                   : it->second.text.substr(0, static_cast<size_t>(max_count - 1));
    copied.copy(text, copied.size());
    text[copied.size()] = '\0';
    return static_cast<int>(copied.size());
}

BOOL ShowWindow(HWND window, int command) {
    if (!IsWindow(window))
        return FALSE;
    if (command == SW_MINIMIZE)
        platform::video::VideoSession::Get().Minimize();
    return TRUE;
}

BOOL GetClientRect(HWND window, LPRECT rect) {
    WindowTables& tables = Tables();
    std::lock_guard guard(tables.lock);
    auto it = tables.windows.find(Key(window));
    if (it == tables.windows.end() || !rect)
        return FALSE;
    *rect = RECT{0, 0, it->second.rect.right - it->second.rect.left,
                 it->second.rect.bottom - it->second.rect.top};
    return TRUE;
}

HDC BeginPaint(HWND window, LPPAINTSTRUCT paint) {
    if (!paint)
        return nullptr;
    *paint = PAINTSTRUCT{};
    GetClientRect(window, &paint->rcPaint);
    return nullptr;
}

BOOL EndPaint(HWND window, const PAINTSTRUCT*) {
    return IsWindow(window);
}

int ShowCursor(BOOL show) {
    WindowTables& tables = Tables();
    int count = 0;
    {
        std::lock_guard guard(tables.lock);
        count = tables.cursor_count += show ? 1 : -1;
    }
    platform::video::VideoSession::Get().SetCursorShown(count >= 0);
    return count;
}

HCURSOR SetCursor(HCURSOR cursor) {
    WindowTables& tables = Tables();
    HCURSOR previous = nullptr;
    {
        std::lock_guard guard(tables.lock);
        previous = tables.cursor;
        tables.cursor = cursor;
    }
    platform::video::VideoSession::Get().SetWaitCursor(reinterpret_cast<std::uintptr_t>(cursor) ==
                                                       kWaitCursor);
    return previous;
}

HCURSOR LoadCursorA(HINSTANCE, LPCSTR name) {
    const auto id = reinterpret_cast<std::uintptr_t>(name);
    if (!IS_INTRESOURCE(name) || (id != kArrowCursor && id != kWaitCursor))
        return nullptr;
    return reinterpret_cast<HCURSOR>(id);
}

HICON LoadIconA(HINSTANCE, LPCSTR name) {
    if (!name)
        return nullptr;
    return reinterpret_cast<HICON>(kProgramIcon);
}

HIMC ImmAssociateContext(HWND, HIMC) {
    return nullptr;
}

SHORT GetAsyncKeyState(int virtual_key) {
    if (virtual_key < 0 || virtual_key > 0xFF)
        return 0;
    return platform::video::VideoSession::Get().IsKeyDown(virtual_key) ? static_cast<SHORT>(0x8000)
                                                                       : 0;
}
