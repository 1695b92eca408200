#include "app/window.h"

#include "app/application.h"
#include "app/window_registry.h"

namespace {

HINSTANCE ModuleHandle() {
    CApplicationBase* application = CApplicationBase::Get();
    return application ? application->GetInstanceHandle() : nullptr;
}

LRESULT DefaultProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (CApplicationBase* application = CApplicationBase::Get())
        return application->DefaultWindowProc(window, message, wparam, lparam);
    return DefWindowProcA(window, message, wparam, lparam);
}

int MouseX(LPARAM lparam) {
    return LOWORD(lparam);
}
int MouseY(LPARAM lparam) {
    return HIWORD(lparam);
}

// The handler a message goes to; NOT_HANDLED-style results decide whether
// OnMessage is asked next. Returns true with the final result in `result`.
bool DispatchToHandler(CWindow& object, HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                       LRESULT& result) {
    switch (message) {
        case WM_CREATE: {
            const LRESULT created = object.OnCreate(wparam);
            if (created == NOT_HANDLED)
                return false;
            result = created;
            return true;
        }
        case WM_DESTROY:
            result = 0;
            return object.OnDestroy() != 0;
        case WM_ACTIVATE:
            result = 0;
            if (LOWORD(wparam) != 0)
                return object.OnActivate(lparam, HIWORD(wparam)) != 0;
            return object.OnDeactivate(lparam, HIWORD(wparam)) != 0;
        case WM_PAINT: {
            PAINTSTRUCT paint = {};
            HDC dc = BeginPaint(window, &paint);
            const LRESULT painted = object.OnPaint(dc, paint.rcPaint, paint.fErase);
            EndPaint(window, &paint);
            result = 1;
            return painted != 0;
        }
        case WM_CLOSE: {
            const LRESULT closed = object.OnClose();
            if (closed == NOT_HANDLED)
                return false;
            if (closed == 0)
                DestroyWindow(window);
            result = 1;
            return true;
        }
        case WM_ACTIVATEAPP:
            result = 1;
            return object.OnActivateApp(wparam) != 0;
        case WM_KEYDOWN:
            result = 1;
            return object.OnKeyDown(wparam, lparam) != 0;
        case WM_KEYUP:
            result = 1;
            return object.OnKeyUp(wparam, lparam) != 0;
        case WM_COMMAND:
            result = 1;
            return object.OnCommand(wparam, lparam) != 0;
        case WM_MOUSEMOVE:
            result = 1;
            return object.OnMouseMove(wparam, MouseX(lparam), MouseY(lparam)) != 0;
        case WM_LBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_RBUTTONDOWN: {
            const int button = message == WM_LBUTTONDOWN ? 0 : message == WM_MBUTTONDOWN ? 1 : 2;
            result = 1;
            return object.OnButtonDown(button, wparam, MouseX(lparam), MouseY(lparam)) != 0;
        }
        case WM_LBUTTONUP:
        case WM_MBUTTONUP:
        case WM_RBUTTONUP: {
            const int button = message == WM_LBUTTONUP ? 0 : message == WM_MBUTTONUP ? 1 : 2;
            result = 1;
            return object.OnButtonUp(button, wparam, MouseX(lparam), MouseY(lparam)) != 0;
        }
        default:
            return false;
    }
}

}  // namespace

WindowRegistry& GetWindowRegistry() {
    static WindowRegistry registry;
    return registry;
}

int FindWindowRecord(HWND window) {
    WindowRegistry& registry = GetWindowRegistry();
    for (std::uint32_t i = 0; i < registry.GetCount(); ++i) {
        const WindowRecord* record = registry.GetAt(i);
        if (record && record->window == window)
            return static_cast<int>(i);
    }
    return -1;
}

CWindow* FindWindowObject(HWND window) {
    const int index = FindWindowRecord(window);
    return index < 0 ? nullptr : GetWindowRegistry().GetAt(index)->owner;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    CWindow* object = FindWindowObject(window);
    if (!object)
        return DefaultProcedure(window, message, wparam, lparam);
    LRESULT result = 0;
    if (DispatchToHandler(*object, window, message, wparam, lparam, result))
        return result;
    if (object->OnMessage(message, wparam, lparam) == NOT_HANDLED)
        return DefaultProcedure(window, message, wparam, lparam);
    return 1;
}

CWindow::~CWindow() {
    DestroyHeldWindow();
}

bool CWindow::DestroyHeldWindow() {
    if (!window_)
        return false;
    const HWND window = window_;
    const bool destroyed = DestroyWindow(window) != 0;
    if (destroyed && registered_) {
        const int index = FindWindowRecord(window);
        if (index >= 0)
            GetWindowRegistry().RemoveAndDestroy(static_cast<std::uint32_t>(index), 1);
    }
    registered_ = 0;
    window_ = nullptr;
    return destroyed;
}

bool CWindow::RegisterClass(WNDCLASSA window_class) {
    if (!window_class.lpfnWndProc)
        window_class.lpfnWndProc = WindowProc;
    window_class.hInstance = ModuleHandle();
    return RegisterClassA(&window_class) != 0;
}

bool CWindow::Create(LPCSTR class_name, LPCSTR title, DWORD style, DWORD ex_style, RECT rect,
                     HWND parent, HMENU menu, LPVOID parameter) {
    if (window_)
        return false;
    HWND window = CreateWindowExA(ex_style, class_name, title, style, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top, parent, menu,
                                  ModuleHandle(), parameter);
    if (!window || !IsWindow(window))
        return false;
    window_ = window;
    if (FindWindowRecord(window) < 0) {
        registered_ = 1;
        GetWindowRegistry().Add(new WindowRecord{window, this});
    }
    return true;
}

LRESULT CWindow::OnMessage(UINT, WPARAM, LPARAM) {
    return NOT_HANDLED;
}
LRESULT CWindow::OnCreate(WPARAM) {
    return NOT_HANDLED;
}
LRESULT CWindow::OnClose() {
    return NOT_HANDLED;
}
LRESULT CWindow::OnDestroy() {
    return 0;
}
LRESULT CWindow::OnPaint(HDC, RECT, BOOL) {
    return 0;
}
LRESULT CWindow::OnKeyDown(WPARAM, LPARAM) {
    return 0;
}
LRESULT CWindow::OnKeyUp(WPARAM, LPARAM) {
    return 0;
}
LRESULT CWindow::OnButtonDown(int, WPARAM, int, int) {
    return 0;
}
LRESULT CWindow::OnButtonUp(int, WPARAM, int, int) {
    return 0;
}
LRESULT CWindow::OnMouseMove(WPARAM, int, int) {
    return 0;
}
LRESULT CWindow::OnActivate(LPARAM, WORD) {
    return 0;
}
LRESULT CWindow::OnDeactivate(LPARAM, WORD) {
    return 0;
}
LRESULT CWindow::OnActivateApp(WPARAM) {
    return 0;
}
LRESULT CWindow::OnCommand(WPARAM, LPARAM) {
    return 0;
}
