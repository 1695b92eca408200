// The platform layer's umbrella header: every Win32-shaped call the program
// makes, implemented over Linux libraries. Each area has its own header.
#pragma once

#include "platform/win32_types.h"
#if __has_include("platform/kernel.h")
#include "platform/kernel.h"
#endif
#if __has_include("platform/user.h")
#include "platform/user.h"
#endif
#if __has_include("platform/gdi.h")
#include "platform/gdi.h"
#endif
#if __has_include("platform/winmm.h")
#include "platform/winmm.h"
#endif
#if __has_include("platform/files.h")
#include "platform/files.h"
#endif
