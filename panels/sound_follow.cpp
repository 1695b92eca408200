#include "panels/sound_follow.h"

#include <cstdio>
#include <filesystem>

#include "gfx/panel.h"
#include "gfx/panel_list.h"
#include "midi/player.h"
#include "midi/sequencer.h"
#include "panels/legible_name.h"
#include "panels/status_bar_panel.h"
#include "platform/files.h"
#include "platform/synth_config.h"

namespace {

bool song_waits = false;
bool loading_shown = false;
std::uint32_t seen_generation = 0;
std::uint32_t seen_failures = 0;

// How the status bar names a SoundFont: its file name, in the program's code page.
std::string ShownName(const std::string& path) {
    return LegibleName(
        platform::NativeNameToProgram(std::filesystem::path(path).filename().string()));
}

void Announce(const char* format, const std::string& path) {
    char text[300];  // the status bar cuts it to 255 bytes
    std::snprintf(text, sizeof text, format, ShownName(path).c_str());
    SetStatusMessage(text);
}

bool SynthMayPlay() {
    const UINT device = GetSequencer().GetSelectedDevice();
    return device == MIDI_MAPPER || device == 0;
}

void ShowLoading() {
    const std::vector<std::string> stack = platform::SoundFontStack(platform::GetSynthConfig());
    if (!stack.empty())
        Announce("LOADING SOUNDFONT '%s'...", stack.front());
    loading_shown = true;
}

}  // namespace

void PlayWhenSoundReady() {
    if (platform::GetSynthSoundState().loading && SynthMayPlay()) {
        song_waits = true;
        ShowLoading();
        return;
    }
    song_waits = false;
    PlayerPlay();
}

void FollowSound() {
    const platform::SynthSoundState state = platform::GetSynthSoundState();
    // The first sound of the run is no change: it is announced only when
    // something waited for it.
    if (state.loading && !loading_shown && (song_waits || state.generation > 0))
        ShowLoading();
    if (state.generation != seen_generation) {
        const bool first = seen_generation == 0;
        seen_generation = state.generation;
        if (!first && !song_waits && SynthMayPlay() && (PlayerIsPlaying() || PlayerIsPaused()))
            GetSequencer().SeekMs(GetSequencer().GetPlayTime());
        if (!first && !state.loaded.empty())
            Announce("SOUNDFONT '%s'", state.loaded.front());
        else if (loading_shown)
            SetStatusMessage(nullptr);
        loading_shown = false;
        Broadcast(NOTIFY_SOUND_CHANGED);
    }
    if (state.failures != seen_failures) {
        seen_failures = state.failures;
        const std::string name = state.last_failure.substr(0, state.last_failure.find(": "));
        Announce("SOUNDFONT OPEN ERROR '%s'", name);
        loading_shown = false;
        Broadcast(NOTIFY_SOUND_CHANGED);
    }
    if (song_waits && !state.loading) {
        song_waits = false;
        PlayerPlay();
        Broadcast(NOTIFY_PLAY_RESTART);
    }
}

void UseFolderSoundFont(const std::string& song_path) {
    platform::SynthConfig config = platform::GetSynthConfig();
    const std::string beside = platform::FolderSoundFont(song_path);
    if (beside == config.folder_soundfont)
        return;
    config.folder_soundfont = beside;
    platform::SetSynthConfig(config);
}
