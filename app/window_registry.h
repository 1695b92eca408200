// The window registry: which CWindow object owns each window handle.
#pragma once

#include "gfx/array.h"
#include "platform/win32_types.h"

class CWindow;

struct WindowRecord {
    HWND window;
    CWindow* owner;
};

// Owns its records: removing one frees it.
using WindowRegistry = CArray<WindowRecord, RecordElements<WindowRecord>>;

// The one registry, created on first use.
WindowRegistry& GetWindowRegistry();
// The position of the first record for window, or -1.
int FindWindowRecord(HWND window);
