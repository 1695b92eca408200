// What the desktop's player controls are shown of the player: the facts
// read from the sequencer and the song steps, and how they read as the
// player's state on the bus (status, loop, rate, volume and the song).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/mpris.h"

// The player as it is at one moment.
struct PlayerFacts {
    bool loaded = false;
    bool playing = false;
    bool paused = false;
    bool repeat = false;
    bool play_through = false;
    int tempo_percent = 100;
    int volume = 255;  // 0 to 255, as F8 and F9 set it
    // The song's name as the title strip shows it (CP932), the folder it
    // was started from (a program path) and its name there.
    std::string title;
    std::string folder;
    std::string name;
    // Counts the songs started, so each load has its own track id.
    unsigned start_count = 0;
    std::int64_t length_ms = 0;
    std::string video_backend;  // "fullscreen", "window" or "headless"
};

// Reads the facts off the player, the song steps and the video backend.
PlayerFacts ReadPlayerFacts();

// The song's title as the program shows it, or its file name when the song
// has none (CP932 either way).
std::string SongTitle(const PlayerFacts& facts);

// The state the bus's properties read: every text valid UTF-8.
platform::MprisState DescribePlayer(const PlayerFacts& facts);

// A Linux path (any bytes) as a file:// URI: every byte outside the
// unreserved characters and '/' percent-encoded.
std::string FileUriOfPath(std::string_view native_path);
// The Linux path of a file:// URI ("file:///a%20b", "file://localhost/a"),
// or empty when it is no absolute local file URI.
std::string PathOfFileUri(std::string_view uri);
