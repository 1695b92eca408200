// The window wrapper: each Win32 window the program creates belongs to one
// CWindow object, and every message reaches it through WindowProc, which finds
// the object in the window registry and calls one of its handlers.
#pragma once

#include "platform/message.h"
#include "platform/user.h"
#include "platform/win32_types.h"

// What a handler returns when the message should take the default path.
inline constexpr LRESULT NOT_HANDLED = -2;

class CWindow {
public:
    CWindow() = default;
    // Destroys the window and removes its registry record.
    virtual ~CWindow();
    CWindow(const CWindow&) = delete;
    CWindow& operator=(const CWindow&) = delete;

    virtual LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
    virtual LRESULT OnCreate(WPARAM wparam);
    virtual LRESULT OnClose();
    virtual LRESULT OnDestroy();
    virtual LRESULT OnPaint(HDC dc, RECT paint_rect, BOOL erase);
    virtual LRESULT OnKeyDown(WPARAM wparam, LPARAM lparam);
    virtual LRESULT OnKeyUp(WPARAM wparam, LPARAM lparam);
    // button: 0 left, 1 middle, 2 right.
    virtual LRESULT OnButtonDown(int button, WPARAM wparam, int x, int y);
    virtual LRESULT OnButtonUp(int button, WPARAM wparam, int x, int y);
    virtual LRESULT OnMouseMove(WPARAM wparam, int x, int y);
    virtual LRESULT OnActivate(LPARAM lparam, WORD minimized);
    virtual LRESULT OnDeactivate(LPARAM lparam, WORD minimized);
    virtual LRESULT OnActivateApp(WPARAM active);
    virtual LRESULT OnCommand(WPARAM wparam, LPARAM lparam);

    // Registers a class; a null window procedure becomes WindowProc and the
    // instance is always the program's module.
    static bool RegisterClass(WNDCLASSA window_class);
    // Creates the window and records it in the registry. False when this
    // object already holds a window or creation fails.
    bool Create(LPCSTR class_name, LPCSTR title, DWORD style, DWORD ex_style, RECT rect,
                HWND parent, HMENU menu, LPVOID parameter);
    // Destroys the held window (if any); its registry record goes when this
    // object added it. Returns whether a window was destroyed.
    bool DestroyHeldWindow();

    HWND GetHandle() const { return window_; }
    bool IsRegistered() const { return registered_ != 0; }

protected:
    HWND window_ = nullptr;
    DWORD registered_ = 0;
};

// The window procedure of every class the program registers.
LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// The window object that owns a handle, or null.
CWindow* FindWindowObject(HWND window);
