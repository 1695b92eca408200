// The two tiny bitmap fonts all screen text is drawn with: font A in 5 x 7
// cells and font B in 7 x 9 cells, 56 glyphs each (digits, capitals, a few
// signs, five half-width katakana; lower case is drawn as capitals), in six
// pre-coloured bands. Double-byte Shift-JIS characters are rasterised on
// demand through GDI into a 64-slot cache per font and drawn in one cell.
#pragma once

#include "platform/win32_types.h"

class CSurface;

// The characters the fonts have, in glyph order (glyph i is column range
// i * cellWidth .. (i + 1) * cellWidth - 1 of the font image): 0xA5 is the
// half-width middle dot, 0x60 the backquote that ends every panel caption,
// 0xB1-0xB5 the half-width katakana a, i, u, e, o.
inline constexpr char kGlyphMap[] =
    "0123456789'!?-+/_ABCDEFGHIJKLMNOPQRSTUVWXYZ\xA5 :.()`\\\xB1\xB2\xB3\xB4\xB5";
inline constexpr int kGlyphCount = 56;

inline constexpr int kFontACellWidth = 5;
inline constexpr int kFontACellHeight = 7;
inline constexpr int kFontBCellWidth = 7;
inline constexpr int kFontBCellHeight = 9;

// The colour argument of a text call (0 to 5) picks a band; band c is drawn
// in palette index kTextBandIndex[c]. Index 21 blinks, 240 stays bright
// while the screen is dimmed.
inline constexpr int kTextColourCount = 6;
inline constexpr BYTE kTextBandIndex[kTextColourCount] = {1, 2, 3, 4, 21, 240};

// Longest text a call draws; longer texts are cut at a character boundary.
inline constexpr int kMaxTextBytes = 255;

// Builds both fonts once: glyph and cache surfaces, the coloured bands, the
// GDI fonts for double-byte characters. Throws the integer 2 when the glyph
// images cannot be put into their surfaces (or 0 from LoadCustomBitmap).
void InitText();

// Draws text (zero-terminated Shift-JIS) into target with the first cell's
// top-left corner at (x, y). transparent non-zero keeps palette index 0 of
// the glyphs transparent; zero copies whole cells. colour 0-5 picks the band.
// Every character advances one cell; a byte without a glyph draws nothing;
// a glyph that would leave the target is not drawn. Nothing before InitText.
void DrawTextFontA(CSurface* target, int x, int y, const char* text, int transparent, int colour);
void DrawTextFontB(CSurface* target, int x, int y, const char* text, int transparent, int colour);

// After surface loss: restores the fonts' surfaces, empties both caches and
// rebuilds the glyph bands. Nothing before InitText.
void RestoreText();

// The glyph index of a single byte (lower case taken as capitals), or -1
// when the fonts have no glyph for it.
int GlyphIndex(unsigned char byte);

// The length of text to draw: at most kMaxTextBytes bytes, never splitting
// a double-byte character, never reading past the terminator.
int ClampTextLength(const char* text);
