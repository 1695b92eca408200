#include "panels/song_start.h"

#include <cstdio>

#include "gfx/panel_list.h"
#include "midi/player.h"
#include "midi/sequencer.h"
#include "panels/file_list.h"
#include "panels/legible_name.h"
#include "panels/sound_follow.h"
#include "panels/status_bar_panel.h"
#include "platform/files.h"

namespace {

SongPlace last_started;
unsigned start_count = 0;
std::uint32_t end_count_at_start = 0;

// The path PlayerOpen is given: the bare name in the current directory, so
// a folder of any depth works; elsewhere the full path, which must fit the
// player's MAX_PATH (empty when it does not).
std::string OpenPath(const SongPlace& place) {
    if (place.folder.empty() || place.folder == CurrentDirectory())
        return place.name;
    const bool has_separator = place.folder.back() == '\\';
    std::string path = place.folder + (has_separator ? "" : "\\") + place.name;
    return path.size() < MAX_PATH ? path : std::string();
}

}  // namespace

bool StartSong(const SongPlace& place) {
    last_started = place;
    ++start_count;
    char message[MAX_PATH + 32];  // the status bar cuts it to 255 bytes
    std::snprintf(message, sizeof message, "LOADING MIDI FILE '%s'...",
                  LegibleName(place.name).c_str());
    SetStatusMessage(message);
    const std::string path = OpenPath(place);
    // A song that cannot be reached ends the one before as a failed load does.
    if (path.empty())
        PlayerClose();
    else
        UseFolderSoundFont(platform::ToNativePath(path));
    const bool loaded = !path.empty() && PlayerOpen(path.c_str());
    // Counted once the song before is closed: it may still have ended while
    // the loading message waited for its frame, and that end is not this song's.
    end_count_at_start = GetSequencer().GetEndCount();
    if (loaded) {
        SetStatusMessage(nullptr);
        PlayWhenSoundReady();
        Broadcast(NOTIFY_PLAY_RESTART);
        return true;
    }
    SetStatusMessage("FILE OPEN ERROR");
    return false;
}

const SongPlace& LastStartedSong() {
    return last_started;
}

unsigned GetSongStartCount() {
    return start_count;
}

std::uint32_t GetEndCountAtLastStart() {
    return end_count_at_start;
}
