// GDI text on the device context of an 8-bit DirectDraw surface
// (IDirectDrawSurface::GetDC): fonts, text colour, background mode and the
// two text calls the program makes. Text is CP932; glyphs are monochrome
// (no anti-aliasing) from the Japanese Gothic font the system's font
// configuration offers for the requested face. A glyph pixel is written as
// the palette index nearest the text colour, taken from the surface's own
// palette, else from the display's. When no font can be found, text draws
// nothing and every call still succeeds.
#pragma once

#include "platform/win32_types.h"

struct PALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
};
using LPPALETTEENTRY = PALETTEENTRY*;

// Background modes.
#define TRANSPARENT 1
#define OPAQUE 2

// Weights.
#define FW_DONTCARE 0
#define FW_THIN 100
#define FW_NORMAL 400
#define FW_BOLD 700

// Character sets, precisions, qualities, pitches.
#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define SHIFTJIS_CHARSET 128
#define OUT_DEFAULT_PRECIS 0
#define OUT_CHARACTER_PRECIS 2
#define CLIP_DEFAULT_PRECIS 0
#define CLIP_CHARACTER_PRECIS 1
#define DEFAULT_QUALITY 0
#define DRAFT_QUALITY 1
#define PROOF_QUALITY 2
#define NONANTIALIASED_QUALITY 3
#define DEFAULT_PITCH 0
#define FIXED_PITCH 1
#define VARIABLE_PITCH 2
#define FF_DONTCARE 0x00
#define FF_MODERN 0x30

// DrawTextA formats.
#define DT_TOP 0x00000000u
#define DT_LEFT 0x00000000u
#define DT_CENTER 0x00000001u
#define DT_RIGHT 0x00000002u
#define DT_VCENTER 0x00000004u
#define DT_BOTTOM 0x00000008u
#define DT_WORDBREAK 0x00000010u
#define DT_SINGLELINE 0x00000020u
#define DT_EXPANDTABS 0x00000040u
#define DT_NOCLIP 0x00000100u
#define DT_CALCRECT 0x00000400u
#define DT_NOPREFIX 0x00000800u

#define CLR_INVALID 0xFFFFFFFFu
#define HGDI_ERROR (reinterpret_cast<HGDIOBJ>(static_cast<LONG_PTR>(-1)))

// A font of `height` pixels: positive is the cell height (ascent plus
// descent), negative the character height, 0 a default of 16. Weights of
// 600 and more are drawn bold. The face name is CP932 (for example the
// Japanese names of the Gothic faces); a name ending in "P" Gothic selects
// the proportional face.
HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strike_out, DWORD char_set, DWORD out_precision,
                  DWORD clip_precision, DWORD quality, DWORD pitch_and_family, LPCSTR face_name);

// Selects a font into a device context; returns the previous one (the
// context's default font at first), or null for a bad context or object.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);

// Deletes a font; a font still selected into a context stays usable there
// until it is deselected.
BOOL DeleteObject(HGDIOBJ object);

COLORREF SetTextColor(HDC dc, COLORREF colour);
COLORREF SetBkColor(HDC dc, COLORREF colour);
int SetBkMode(HDC dc, int mode);

// Draws `length` bytes of CP932 text with its cell's top-left corner at
// (x, y), clipped to the surface.
BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int length);

// Draws text into `rect` (clipped to it unless DT_NOCLIP): lines split at
// line feeds unless DT_SINGLELINE, aligned by DT_CENTER/DT_RIGHT and, for a
// single line, DT_VCENTER/DT_BOTTOM. `length` -1 means zero-terminated.
// DT_CALCRECT only measures (rect's right and bottom are set). Returns the
// height of the text drawn, 0 on failure.
int DrawTextA(HDC dc, LPCSTR text, int length, LPRECT rect, UINT format);

// Width and height of `length` bytes of text in the selected font.
BOOL GetTextExtentPoint32A(HDC dc, LPCSTR text, int length, SIZE* size);

namespace platform {

// Tests: use this font file instead of asking the font configuration (a
// path that does not exist means "no font found"); null or empty restores
// the normal search. Fonts already created keep what they found.
void OverrideFontFile(const char* path);

}  // namespace platform
