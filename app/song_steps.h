// Steps from song to song: the next or previous song of the list (N and P),
// the next one when a song ends during play-through, and a queue of songs
// played in order. All of it runs on the main thread.
#pragma once

#include <vector>

#include "panels/song_start.h"

// Plays the song `step` places after (or before, when negative) the one last
// started, in the list of its folder, wrapping at the ends; songs that fail
// to load are skipped, each tried once. With no song started yet it counts
// from before the first song of the current directory.
void StepSong(int step);

// Plays `songs` one after the other, the first at once; the file list goes
// along to each song's folder while it still shows the one before. A song
// chosen meanwhile, or a step, ends the queue.
void QueueSongs(const std::vector<SongPlace>& songs);

// Called while the program is idle: when the playing song has ended by
// itself, starts the next song of the queue, or with play-through on the
// next song of the list (none after the last).
void FollowSongEnds();
