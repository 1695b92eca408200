// Dims the part of a view that shows a channel the sequencer keeps silent
// (muted, or another channel solo), so what is not heard looks it.
#pragma once

#include "gfx/surface.h"

// Lays a black checkerboard over (left, top)-(right, bottom) of `target`
// when `channel` (0-15) is not audible; nothing otherwise.
void DimIfSilenced(CSurface* target, int channel, int left, int top, int right, int bottom);
