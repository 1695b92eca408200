// Starting a song the way a choice from the file list does, from the list
// or from the program's song steps, and the record of the last start.
#pragma once

#include <cstdint>
#include <string>

// Where a song lies: its folder as the current directory names it
// ("C:\home\me\songs") and its name there.
struct SongPlace {
    std::string folder;
    std::string name;
};

// Loads and plays the song: "LOADING MIDI FILE 'NAME'..." in the status bar
// while it loads, then the bar's caption while it plays, or "FILE OPEN
// ERROR" when it does not load. A song of the current directory opens by
// its bare name, any other by its full path. False when it did not load.
bool StartSong(const SongPlace& place);

// The song of the last StartSong, loaded or not (empty before the first).
const SongPlace& LastStartedSong();
// How many times StartSong has been called.
unsigned GetSongStartCount();
// The sequencer's end count (CSequencer::GetEndCount) as the last start
// began: ends counted up to it were those of earlier songs.
std::uint32_t GetEndCountAtLastStart();
