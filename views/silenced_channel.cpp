#include "views/silenced_channel.h"

#include "gfx/draw.h"
#include "midi/sequencer.h"

namespace {

// Half the pixels go to the background colour: the channel keeps its
// shapes at half the light.
constexpr DWORD kDimColour = 0;

}  // namespace

void DimIfSilenced(CSurface* target, int channel, int left, int top, int right, int bottom) {
    if (GetSequencer().IsChannelAudible(channel))
        return;
    HalftoneRect(target->surface, left, top, right, bottom, kDimColour);
}
