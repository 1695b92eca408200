// Windows, window classes, the cursor, the input method, the message beep and
// the virtual-key codes, over the video backend chosen once at start by
// NIVRA_VIDEO (`fullscreen`, `window`, `headless`). The backend's events
// (keys, the close button, focus changes) become messages on the main
// thread's queue through the message pump of platform/message.h; the queue
// itself, SendMessageA and DefWindowProcA live there.
//
// NIVRA_INPUT=FILE feeds scripted keys and screenshots through the same
// pump: lines "<ms after start> <KEY>" with the key names of the VK_ codes
// below without "VK_" (RETURN, F5, L, 5, NUMPAD5, ALT+5 ...), and
// "<ms> SHOT <file.png>" to save the visible frame as an indexed-colour PNG.
#pragma once

#include "platform/message.h"
#include "platform/win32_types.h"

// ---- Window classes and windows -----------------------------------------------

using ATOM = WORD;

struct WNDCLASSA {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
};
using LPWNDCLASSA = WNDCLASSA*;

// What WM_CREATE's lParam points to.
struct CREATESTRUCTA {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCSTR lpszName;
    LPCSTR lpszClass;
    DWORD dwExStyle;
};

struct PAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
};
using LPPAINTSTRUCT = PAINTSTRUCT*;

// Class styles.
#define CS_VREDRAW 0x0001u
#define CS_HREDRAW 0x0002u
#define CS_DBLCLKS 0x0008u
#define CS_BYTEALIGNCLIENT 0x1000u

// Window styles.
#define WS_OVERLAPPED 0x00000000u
#define WS_POPUP 0x80000000u
#define WS_CHILD 0x40000000u
#define WS_MINIMIZE 0x20000000u
#define WS_VISIBLE 0x10000000u
#define WS_CAPTION 0x00C00000u
#define WS_SYSMENU 0x00080000u
#define WS_EX_TOPMOST 0x00000008u

// ShowWindow commands.
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_MINIMIZE 6
#define SW_SHOW 5
#define SW_RESTORE 9

#define MAKEINTRESOURCEA(id) \
    (reinterpret_cast<LPSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(id))))
#define IS_INTRESOURCE(p) ((reinterpret_cast<ULONG_PTR>(p) >> 16) == 0)

// Stock cursors and icons.
#define IDC_ARROW MAKEINTRESOURCEA(32512)
#define IDC_WAIT MAKEINTRESOURCEA(32514)
#define IDI_APPLICATION MAKEINTRESOURCEA(32512)

// Registers a class by name; 0 when the name is missing or already taken.
ATOM RegisterClassA(const WNDCLASSA* window_class);
BOOL UnregisterClassA(LPCSTR class_name, HINSTANCE instance);

// Creates a window of a registered class. The first top-level window opens
// the video backend's window (640x480 of content, shown full-screen,
// windowed or not at all). WM_NCCREATE and WM_CREATE are sent to the class's
// procedure before the call returns; a WM_CREATE answer of -1 fails it.
HWND CreateWindowExA(DWORD ex_style, LPCSTR class_name, LPCSTR window_name, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID parameter);

// Sends WM_DESTROY to the window's procedure and forgets the window; the
// last window closes the backend's window.
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);
// The window's title (CP932); the video backend's window shows it as UTF-8.
BOOL SetWindowTextA(HWND window, LPCSTR text);
// Copies the title, cut to `max_count` - 1 bytes; returns the bytes copied.
int GetWindowTextA(HWND window, LPSTR text, int max_count);
BOOL ShowWindow(HWND window, int command);
BOOL GetClientRect(HWND window, LPRECT rect);

// Nothing is ever invalidated (the program draws through DirectDraw), so
// the paint rectangle is the client area and the context is null.
HDC BeginPaint(HWND window, LPPAINTSTRUCT paint);
BOOL EndPaint(HWND window, const PAINTSTRUCT* paint);

// ---- Cursor, icon, input method, beep --------------------------------------------

// Win32's display counter: the cursor shows while it is 0 or more. Returns
// the new count.
int ShowCursor(BOOL show);
// Returns the previous cursor.
HCURSOR SetCursor(HCURSOR cursor);
// Stock cursors only (IDC_ARROW, IDC_WAIT); null for anything else.
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);
// A handle naming the icon; the program's icon is drawn by no one here.
HICON LoadIconA(HINSTANCE instance, LPCSTR name);

// The input method is not part of this platform: always succeeds, returns null.
HIMC ImmAssociateContext(HWND window, HIMC context);

// A short tone through the audio device where one opens; silent otherwise.
BOOL MessageBeep(UINT type);

// Bit 15 set while the key is held (keys the backend reported as down).
SHORT GetAsyncKeyState(int virtual_key);

// ---- Virtual-key codes --------------------------------------------------------------

#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_CLEAR 0x0C
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_MENU 0x12
#define VK_PAUSE 0x13
#define VK_CAPITAL 0x14
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_PRIOR 0x21
#define VK_NEXT 0x22
#define VK_END 0x23
#define VK_HOME 0x24
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_SNAPSHOT 0x2C
#define VK_INSERT 0x2D
#define VK_DELETE 0x2E
// '0'-'9' and 'A'-'Z' are their ASCII codes.
#define VK_NUMPAD0 0x60
#define VK_NUMPAD1 0x61
#define VK_NUMPAD2 0x62
#define VK_NUMPAD3 0x63
#define VK_NUMPAD4 0x64
#define VK_NUMPAD5 0x65
#define VK_NUMPAD6 0x66
#define VK_NUMPAD7 0x67
#define VK_NUMPAD8 0x68
#define VK_NUMPAD9 0x69
#define VK_MULTIPLY 0x6A
#define VK_ADD 0x6B
#define VK_SEPARATOR 0x6C
#define VK_SUBTRACT 0x6D
#define VK_DECIMAL 0x6E
#define VK_DIVIDE 0x6F
#define VK_F1 0x70
#define VK_F2 0x71
#define VK_F3 0x72
#define VK_F4 0x73
#define VK_F5 0x74
#define VK_F6 0x75
#define VK_F7 0x76
#define VK_F8 0x77
#define VK_F9 0x78
#define VK_F10 0x79
#define VK_F11 0x7A
#define VK_F12 0x7B
#define VK_NUMLOCK 0x90
#define VK_OEM_PLUS 0xBB
#define VK_OEM_COMMA 0xBC
#define VK_OEM_MINUS 0xBD
#define VK_OEM_PERIOD 0xBE
#define VK_SCROLL 0x91
#define VK_LSHIFT 0xA0
#define VK_RSHIFT 0xA1
#define VK_LCONTROL 0xA2
#define VK_RCONTROL 0xA3
#define VK_LMENU 0xA4
#define VK_RMENU 0xA5

// lParam bits of key messages.
#define KF_EXTENDED_BIT 0x01000000  // bit 24: an extended key (arrows, Page Up ...)
#define KF_ALTDOWN_BIT 0x20000000   // bit 29: Alt is held
#define KF_REPEAT_BIT 0x40000000    // bit 30: the key was already down
#define KF_UP_BIT 0x80000000u       // bit 31: the key is being released

namespace platform {

// The video backend in use: "fullscreen", "window" or "headless". The
// choice is made once (NIVRA_VIDEO, else headless when there is no display).
const char* GetVideoBackendName();

// The mode a display opens in when NIVRA_VIDEO names none: the full screen
// (the default) or a window. Only a call before the first window opens
// counts; without a display the program runs headless all the same.
void SetPreferredVideoMode(bool fullscreen);

// Switches the open SDL window between the full screen and a window; the
// picture stays pixel-exact, scaled by a whole number with black borders.
// Afterwards GetVideoBackendName names the new mode. False, and nothing
// changes, where there is no such window (headless) or it cannot switch.
bool ToggleFullscreen();

}  // namespace platform
