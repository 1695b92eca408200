// What the songs and folders named on the command line start the program
// with: the folder it browses first and the songs it plays.
#pragma once

#include <string>
#include <vector>

#include "panels/song_start.h"

struct StartPaths {
    // The program path of the folder browsed first; empty: the folder the
    // program was started in.
    std::string folder;
    // Played one after the other from the start, in the order given.
    std::vector<SongPlace> songs;
};

// Sorts existing Linux paths (relative ones from the current directory)
// into songs and folders. Every file is taken for a song, whatever its
// name; browsing starts in the first song's folder, or without songs in the
// first folder named. A path that has gone meanwhile is left out.
StartPaths ResolveStartPaths(const std::vector<std::string>& native_paths);
