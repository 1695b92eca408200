// The background's copy onto the back buffer at the start of a frame,
// leaving out what the panels will cover with their own images anyway.
#pragma once

#include "platform/ddraw.h"

// Copies `source` onto `target` (both width_px x height_px) except inside
// the `count` rectangles of `holes`, which may overlap or reach past the
// edges.
void CopyBackgroundAround(IDirectDrawSurface* target, IDirectDrawSurface* source, LONG width_px,
                          LONG height_px, const RECT* holes, int count);
