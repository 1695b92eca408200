// How often the main thread's idle work runs (the song's words, song ends,
// the sound, media controls): before every frame while the words of a song
// scroll with it, often while a song plays or the sound loads, and seldom
// at rest, where nothing moves. Keys and posts wake it at once whatever the
// pace.
#pragma once

// Called at the end of the idle work: sets the pace for what comes next.
void PaceIdleWork();
