// The main window's title follows the song: "TITLE - NIVRA" while one is
// loaded, "NIVRA" otherwise (seen where the program runs in a window and in
// the desktop's task list).
#pragma once

#include <string>

#include "app/media_state.h"

// The title for the player as `facts` describe it (CP932).
std::string WindowTitleFor(const PlayerFacts& facts);

// Sets the main window's title when the song changed since the last call;
// called while idle.
void FollowSongInWindowTitle();
