// The one global panel list, which owns every panel in construction order
// (also the drawing order: later panels cover earlier ones), and the
// operations the application, the main window and the frame thread call on
// it: create, draw, notify, restore, destroy, focus and input routing.
#pragma once

#include "platform/ddraw.h"
#include "platform/win32_types.h"

class CPanel;
class CInteractivePanel;
class CSurface;
struct InputEvent;

// Creates every panel (not stopping at a failure); 1 when all succeeded.
int CreateAll();
// Draws every panel onto target (the back buffer), in list order.
void DrawAll(CSurface* target);
// DrawAll onto a bare DirectDraw surface: the frame thread's drawing hook.
void DrawAllOnto(IDirectDrawSurface* back_buffer);
// Notify(code) on every panel; returns the last panel's result.
int Broadcast(int code);
// Restore() on every panel, after surface loss.
void RestoreAll();
// Takes the focus away, then destroys every panel.
void DestroyAll();

// Gives the focus to the last interactive panel with this id (only the low
// 16 bits count; 0 means no panel): the old focus gets 4097, the new 4096,
// even when they are the same panel. An id no panel has changes nothing.
void SetFocus(int id);
// When id is not the focused panel's id: remembers the focused panel's id
// on the focus stack (16 deep) and focuses id.
void PushFocus(int id);
// Returns the focus to the id last pushed; nothing on an empty stack.
void PopFocus();
// to_all 0: the focused panel's OnInput (0 without a focused panel);
// otherwise OnInput on every interactive panel, and -1.
int DispatchInput(InputEvent* event, int to_all);

// The panel that has the focus, or null.
CInteractivePanel* GetFocusedPanel();
// The focused panel's id, 0 when none.
int GetFocusedPanelId();

// Joins a panel to the end of the list (CPanel's constructor calls it).
void RegisterPanel(CPanel* panel);
// How many panels the list holds, and the one at a position.
unsigned GetPanelCount();
CPanel* GetPanelAt(unsigned index);
