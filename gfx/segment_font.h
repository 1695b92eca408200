// The large segment-display font of the status read-outs: 37 glyphs (blank,
// digits 0-9, capitals A-Z) of 13 x 20 pixels, generated at start-up from
// segment masks into one off-screen surface and copied cell by cell.
#pragma once

#include <cstdint>

class CSurface;

inline constexpr int kSegmentCellWidth = 13;
inline constexpr int kSegmentCellHeight = 20;
inline constexpr int kSegmentGlyphCount = 37;
inline constexpr int kSegmentSurfaceWidth = kSegmentCellWidth * kSegmentGlyphCount;  // 481
inline constexpr uint8_t kSegmentLit = 16;
inline constexpr uint8_t kSegmentUnlit = 17;

// Creates the glyph surface and renders the glyphs, once; throws IException(0)
// when the surface cannot be created. Later calls do nothing.
void InitSegmentFont();

// Draws text with the first cell's top-left corner at (x, y), 13 pixels per
// character, index 0 transparent. Letters are drawn as capitals, anything that
// is neither digit nor letter as the blank glyph. Returns 0.
int DrawSegmentText(CSurface* target, int x, int y, const char* text);

// After surface loss: restores the glyph surface and renders it again.
void RestoreSegmentFont();

// The glyph cell a character is drawn from: 1-10 for '0'-'9', 11-36 for
// 'A'-'Z' (and 'a'-'z'), 0 (blank) for everything else.
int SegmentGlyphIndex(unsigned char c);

// Writes all 37 glyphs into 8-bit pixel memory of at least 481 x 20 pixels
// (pitch bytes per row); pixels outside every segment are left untouched.
void WriteSegmentGlyphPixels(uint8_t* bits, int pitch);
