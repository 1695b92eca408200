// The pixel operations the panels draw with. Colours are palette indices
// (only the low 8 bits count). There is no clipping: what is drawn must lie
// inside the target; a rectangle the surface refuses draws nothing.
#pragma once

#include "platform/ddraw.h"
#include "platform/win32_types.h"

// Colour-fill of (left, top, right, bottom), right and bottom exclusive.
// Returns the blit's result.
HRESULT FillRect(IDirectDrawSurface* target, LONG left, LONG top, LONG right, LONG bottom,
                 DWORD colour);

// Locks the whole surface, draws the line, unlocks. The line starts at the
// left end point and plots max(|dx|, |dy|) pixels; the other end point is
// not plotted, so a zero-length line plots nothing and a line may end on the
// surface's edge (x = width or y = height). A line that would plot a pixel
// outside the surface draws nothing.
void DrawLine(IDirectDrawSurface* target, LONG x1, LONG y1, LONG x2, LONG y2, DWORD colour);

// The same line into memory the caller has already locked (lPitch and
// lpSurface of the lock description), for drawing many lines under one lock.
void DrawLineLocked(const DDSURFACEDESC* lock, LONG x1, LONG y1, LONG x2, LONG y2, DWORD colour);

// The same line into locked pixels given as first pixel and pitch (the
// fields CSurface records while locked).
void DrawLineLocked(BYTE* bits, LONG pitch, LONG x1, LONG y1, LONG x2, LONG y2, DWORD colour);

// Sets every second pixel of the rectangle in a checkerboard aligned to its
// own top-left corner: row 0 starts at column 1, row 1 at column 0, and so
// on, (right - left) / 2 pixels per row. Needs a width of at least 2.
void HalftoneRect(IDirectDrawSurface* target, LONG left, LONG top, LONG right, LONG bottom,
                  DWORD colour);

// Turns every pixel of index `from` inside (left, top, right, bottom) into
// index `to`, under one lock of the rectangle.
void RecolourRect(IDirectDrawSurface* target, LONG left, LONG top, LONG right, LONG bottom,
                  BYTE from, BYTE to);
