// The transport's program-wide keys: jumps, tempo factor, transpose, mute,
// solo and the loop mode, each announced in the status bar.
#pragma once

#include "platform/win32_types.h"

// Acts on `key` (a virtual-key code of WM_KEYDOWN) with the Shift and Ctrl
// state it came with; false when it is not a transport key.
bool HandleTransportKey(WPARAM key, bool shift, bool ctrl);
