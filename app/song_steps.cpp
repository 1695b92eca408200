#include "app/song_steps.h"

#include <algorithm>
#include <deque>
#include <string>

#include "midi/player.h"
#include "midi/sequencer.h"
#include "panels/file_list.h"
#include "panels/file_selector_panel.h"
#include "panels/song_files.h"

namespace {

std::deque<SongPlace> queued_songs;
// GetSongStartCount after the last start made here: a different count means
// a song was chosen from the list since.
unsigned own_start_count = 0;
// The sequencer's end count that has been acted on.
std::uint32_t handled_end_count = 0;

bool StartAndFollow(const SongPlace& place) {
    const bool started = StartSong(place);
    own_start_count = GetSongStartCount();
    if (CFileSelectorPanel* selector = GetFileSelector())
        selector->FollowSong(place);
    return started;
}

// Plays the song `step` places on in the list of the last one started;
// past an end it wraps round or, without `wrap`, plays nothing. Each song is
// tried at most once, so a list of songs that all fail ends the step.
void Step(int step, bool wrap) {
    SongPlace from = LastStartedSong();
    if (from.folder.empty())
        from.folder = CurrentDirectory();
    const std::vector<std::string> songs = ListSongs(from.folder);
    const int count = static_cast<int>(songs.size());
    const auto found = std::find(songs.begin(), songs.end(), from.name);
    int index = found == songs.end() ? -1 : static_cast<int>(found - songs.begin());
    for (int tries = 0; tries < count; ++tries) {
        int next = index < 0 ? (step > 0 ? 0 : count - 1) : index + step;
        if (next < 0 || next >= count) {
            if (!wrap)
                return;
            next = (next % count + count) % count;
        }
        if (StartAndFollow(SongPlace{from.folder, songs[static_cast<size_t>(next)]}))
            return;
        index = next;
    }
}

void PlayQueued() {
    while (!queued_songs.empty()) {
        const SongPlace next = queued_songs.front();
        queued_songs.pop_front();
        const std::string shown = CurrentDirectory();
        const SongPlace& before = LastStartedSong();
        CFileSelectorPanel* selector = GetFileSelector();
        if (selector != nullptr && next.folder != shown &&
            (before.folder.empty() || before.folder == shown))
            selector->ShowFolder(next.folder);
        if (StartAndFollow(next))
            return;
    }
}

}  // namespace

void StepSong(int step) {
    queued_songs.clear();
    Step(step, true);
}

void QueueSongs(const std::vector<SongPlace>& songs) {
    queued_songs.assign(songs.begin(), songs.end());
    PlayQueued();
}

void FollowSongEnds() {
    if (GetSongStartCount() != own_start_count) {
        queued_songs.clear();
        own_start_count = GetSongStartCount();
    }
    // Ends counted before the last start were those of earlier songs. With
    // repeat on a song never ends: it starts again.
    handled_end_count = std::max(handled_end_count, GetEndCountAtLastStart());
    const std::uint32_t ends = GetSequencer().GetEndCount();
    if (ends == handled_end_count)
        return;
    handled_end_count = ends;
    if (!queued_songs.empty())
        PlayQueued();
    else if (PlayerGetPlayThrough())
        Step(+1, false);
}
