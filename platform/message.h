// The message queue of the program's main thread, Win32-shaped: messages
// posted from any thread, read by PeekMessageA/GetMessageA on the main
// thread and dispatched to the window procedure of their window; plus the
// message box, and the close requests (SIGINT, SIGTERM, the window's close
// button) that become WM_CLOSE.
#pragma once

#include "platform/win32_types.h"

// ---- Messages ---------------------------------------------------------------

#define WM_NULL 0x0000u
#define WM_CREATE 0x0001u
#define WM_DESTROY 0x0002u
#define WM_MOVE 0x0003u
#define WM_SIZE 0x0005u
#define WM_ACTIVATE 0x0006u
#define WM_SETFOCUS 0x0007u
#define WM_KILLFOCUS 0x0008u
#define WM_ENABLE 0x000Au
#define WM_PAINT 0x000Fu
#define WM_CLOSE 0x0010u
#define WM_QUIT 0x0012u
#define WM_ERASEBKGND 0x0014u
#define WM_SHOWWINDOW 0x0018u
#define WM_ACTIVATEAPP 0x001Cu
#define WM_SETCURSOR 0x0020u
#define WM_NCCREATE 0x0081u
#define WM_NCDESTROY 0x0082u
#define WM_KEYFIRST 0x0100u
#define WM_KEYDOWN 0x0100u
#define WM_KEYUP 0x0101u
#define WM_CHAR 0x0102u
#define WM_SYSKEYDOWN 0x0104u
#define WM_SYSKEYUP 0x0105u
#define WM_SYSCHAR 0x0106u
#define WM_KEYLAST 0x0109u
#define WM_COMMAND 0x0111u
#define WM_SYSCOMMAND 0x0112u
#define WM_TIMER 0x0113u
#define WM_MOUSEFIRST 0x0200u
#define WM_MOUSEMOVE 0x0200u
#define WM_LBUTTONDOWN 0x0201u
#define WM_LBUTTONUP 0x0202u
#define WM_RBUTTONDOWN 0x0204u
#define WM_RBUTTONUP 0x0205u
#define WM_MBUTTONDOWN 0x0207u
#define WM_MBUTTONUP 0x0208u
#define WM_MOUSELAST 0x020Du
#define WM_USER 0x0400u

// WM_SYSCOMMAND commands.
#define SC_MINIMIZE 0xF020u
#define SC_CLOSE 0xF060u

#define PM_NOREMOVE 0x0000u
#define PM_REMOVE 0x0001u
#define PM_NOYIELD 0x0002u

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};
using LPMSG = MSG*;

using WNDPROC = LRESULT(CALLBACK*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Looks for a message (for any window when `window` is null; all messages
// when both filters are 0). An empty queue waits for a message before
// answering FALSE, so a polling loop does not spin a core: a millisecond,
// or as long as the window layer's pump allows (SetPumpWaitLimit), ended
// early by a post or a wake (WakeMessageQueue, WakeMessageQueueIn).
// WM_QUIT comes only once the other messages are gone; PM_NOREMOVE leaves
// it pending.
BOOL PeekMessageA(LPMSG message, HWND window, UINT filter_min, UINT filter_max, UINT remove);
// Waits for a message and removes it; returns 0 for WM_QUIT (its wParam is
// the exit code), -1 for a null `message`, otherwise nonzero.
BOOL GetMessageA(LPMSG message, HWND window, UINT filter_min, UINT filter_max);
// Nonzero for key messages. No WM_CHAR is generated: the program reads keys
// as WM_KEYDOWN/WM_SYSKEYDOWN only.
BOOL TranslateMessage(const MSG* message);
// Calls the window procedure of the message's window; 0 for a message
// without a window or a window without a procedure.
LRESULT DispatchMessageA(const MSG* message);
// Bit 15 set while `virtual_key` was held as of the last key message taken
// from the queue (as Win32 reports it): a modifier pressed just before a key
// counts for that key even when it is already released again.
SHORT GetKeyState(int virtual_key);
// Queues a message (any thread). A null window posts a thread message.
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Calls the window procedure at once, on the calling thread.
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Makes the queue deliver WM_QUIT with `exit_code` once it is empty.
void PostQuitMessage(int exit_code);
// Default processing: Alt+F4 (WM_SYSKEYDOWN with VK_F4) becomes
// WM_SYSCOMMAND SC_CLOSE, which becomes WM_CLOSE; what else a window needs
// (WM_CLOSE destroying it, SC_MINIMIZE) goes to the window layer's default
// handler. Everything else answers 0.
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// ---- Message box --------------------------------------------------------------

#define MB_OK 0x00000000u
#define MB_ICONERROR 0x00000010u
#define MB_ICONHAND MB_ICONERROR
#define MB_ICONQUESTION 0x00000020u
#define MB_ICONWARNING 0x00000030u
#define MB_ICONEXCLAMATION MB_ICONWARNING
#define MB_ICONINFORMATION 0x00000040u
#define IDOK 1

// Writes the caption and the text (CP932, shown as UTF-8) to standard error;
// where there is a display (not NIVRA_VIDEO=headless, and DISPLAY or
// WAYLAND_DISPLAY set) it also shows a message box and waits for it.
// Returns IDOK.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

// ---- Hooks for the window layer -------------------------------------------------

namespace platform {

// Called on the main thread by PeekMessageA/GetMessageA before they look at
// the queue (the video backend turns its events into posted messages there).
void SetMessagePump(void (*pump)());
// How long (milliseconds) an empty queue may wait for a post before the
// pump must run again: until scripted input falls due, or a millisecond for
// a window whose events must be polled. Without it, a millisecond; never
// more than the longest wait.
void SetPumpWaitLimit(DWORD (*limit_ms)());
// The longest wait of an empty queue whatever the pump says (20 ms until
// set): how often the main loop's idle work and close signals are seen.
void SetLongestQueueWait(DWORD ms);
// Ends a wait of PeekMessageA or GetMessageA on an empty queue now, as a
// post would but without a message (the display calls it when a frame is
// finished, so the pump shows it at once).
void WakeMessageQueue();
// Any thread: the pump runs again now (a finished frame is shown at once),
// while a reader waiting on an empty queue goes on waiting as before.
void WakeMessagePump();
// How the main thread sleeps while its queue is empty, installed by a window
// backend whose events must otherwise be polled: `wait` sleeps on the
// calling (installing) thread until the backend has an event, `wake` is
// called or timeout_ms pass; `wake` (any thread) ends that sleep, and also
// one about to begin. Posts and wakes call it; the pump then takes the
// backend's events. Both null: the queue's own wait again.
void SetBackendWait(void (*wait)(DWORD timeout_ms), void (*wake)());
// The same delay_ms from now and then, when then_every_us is not 0, every
// then_every_us microseconds (the frames' period, so the main thread wakes
// before each frame without being told each time), until the next call.
// It applies to waits that begin after this call; a wait already under way
// keeps its end.
void WakeMessageQueueIn(DWORD delay_ms, DWORD then_every_us = 0);
// Drops the wakes WakeMessageQueueIn scheduled.
void StopMessageQueueWakes();
// How DispatchMessageA and SendMessageA find a window's procedure.
void SetWindowProcedureLookup(WNDPROC (*lookup)(HWND window));
// Where DefWindowProcA sends what only the window layer can do (WM_CLOSE,
// SC_MINIMIZE); its result is returned.
void SetWindowDefaultHandler(LRESULT (*handler)(HWND window, UINT message, WPARAM wParam,
                                                LPARAM lParam));
// The window that close requests go to (null: none).
void SetCloseRequestWindow(HWND window);
// A close request: WM_CLOSE to the close-request window, or WM_QUIT with
// exit code 0 while there is none.
void RequestClose();
// Makes SIGINT and SIGTERM close requests (handled the next time the queue
// is read). Called once by the program's entry point.
void InstallCloseRequestSignals();
// Empties the queue and forgets a pending WM_QUIT (tests).
void ClearMessageQueue();

}  // namespace platform
