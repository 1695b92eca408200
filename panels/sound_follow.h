// The program's side of the software synth's sound: a song waits for a sound
// that is loading, a new sound gets the song's state at once, the folder's own
// SoundFont is used for its songs, and the status bar says what happens.
#pragma once

#include <string>

// Plays the loaded song now, or, while the synth's sound is loading and the
// synth may be the device, as soon as the sound is ready.
void PlayWhenSoundReady();

// The main loop's step: starts a song that waited for its sound, re-sends the
// playing song's state to a new sound (as after a jump) and tells the status
// bar what was loaded or failed.
void FollowSound();

// Puts the SoundFont beside the song (see platform::FolderSoundFont) on top
// of the stack for it, or drops the last folder's one; `song_path` is the
// Linux path of the song about to start.
void UseFolderSoundFont(const std::string& song_path);
