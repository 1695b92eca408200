#include "app/play_through.h"

#include "midi/player.h"

// The player keeps the mode, so the system status panel can show it.
bool IsPlayThroughOn() {
    return PlayerGetPlayThrough();
}

void SetPlayThrough(bool on) {
    PlayerSetPlayThrough(on);
}
