// Keys in Win32's terms: SDL key codes to virtual-key codes, the lParam of
// key messages, and the key names of input scripts.
#pragma once

#include <string_view>

#include "platform/win32_types.h"

namespace platform::video {

// The virtual-key code of an SDL key code, 0 for keys the program never sees.
int VirtualKeyFromSdl(int sdl_keycode);
// Keys Win32 marks as extended (bit 24): arrows, Page Up/Down, Home, End ...
bool IsExtendedKey(int virtual_key);
// WM_KEYDOWN/WM_KEYUP, or WM_SYSKEYDOWN/WM_SYSKEYUP while Alt is held.
UINT KeyMessage(bool up, bool alt);
// Repeat count 1, extended bit, bit 29 for Alt, bit 30 for an already held
// key (always set on release), bit 31 on release.
LPARAM KeyLParam(int virtual_key, bool up, bool alt, bool repeat);
// "RETURN", "F5", "L", "5", "NUMPAD5" ... (VK_ names without VK_, any case); 0 if unknown.
int VirtualKeyFromName(std::string_view name);

}  // namespace platform::video
