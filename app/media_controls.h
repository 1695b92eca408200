// The desktop's player controls (media keys, the sound menu, playerctl):
// the player offered on the session bus, its calls mapped onto what the
// program's keys do, served from the main thread's idle loop.
#pragma once

// Lets start-up offer the player on the bus (main() does, unless told
// --no-mpris); off until called, so an application made in a test stays
// off the bus.
void AllowMediaControls();
// Offers the player on the session bus; without a bus, one line on
// standard error and the program runs on without it.
void StartMediaControls();
// Answers the bus's calls and announces changes; called while idle.
void ServeMediaControls();
// Leaves the bus (at shutdown).
void StopMediaControls();
