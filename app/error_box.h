// Fatal start-up failures: the ErrorCode values and the error box that shows
// them.
#pragma once

#include <string>

// A plain integer thrown by value for a fatal failure; only the start-up
// sequence catches it, shuts down and shows the error box.
using ErrorCode = int;

// Internal set-up failed: a second application object, surfaces of a panel,
// the canvas or a custom bitmap, a CStr assigned from an unreadable pointer,
// the first/last element of an empty CArray, a second status bar.
inline constexpr ErrorCode ERRORCODE_INTERNAL = 0;
// The bitmap fonts cannot be set up.
inline constexpr ErrorCode ERRORCODE_FONT = 2;
// The operating system platform is Win32s.
inline constexpr ErrorCode ERRORCODE_WIN32S = 11;
// The processor architecture is not Intel.
inline constexpr ErrorCode ERRORCODE_NOT_INTEL = 12;
// The main window class or the main window cannot be created.
inline constexpr ErrorCode ERRORCODE_MAIN_WINDOW = 30;
// The DirectDraw object or the 640x480x8 display mode cannot be set up.
inline constexpr ErrorCode ERRORCODE_DIRECTDRAW = 101;
// The flipping primary surface or the palette cannot be set up.
inline constexpr ErrorCode ERRORCODE_PRIMARY_SURFACE = 102;

// The error box caption, CP932 bytes ("NIVRA エラー").
extern const char kErrorBoxCaption[];

// The string table id of the message for `code`: 11 -> 5, 12 -> 6,
// 101 -> 3, every other code -> 4.
unsigned ErrorMessageId(ErrorCode code);
// The error box text (CP932): the message for `code`, a line break and
// "例外コード:#" with the code in four digits, e.g. "...\n例外コード:#0101".
std::string FormatErrorBoxText(ErrorCode code);
// Shows the error box for `code` (no owner, warning icon).
void ShowErrorBox(ErrorCode code);
