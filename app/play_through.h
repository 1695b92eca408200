// Play-through, the mode F4 turns on and off (off at first): while it is on
// and repeat is off, a song that ends is followed by the next song of its
// list, until the list's last song has played.
#pragma once

bool IsPlayThroughOn();
void SetPlayThrough(bool on);
