#include "app/media_controls.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "app/media_state.h"
#include "app/song_steps.h"
#include "app/start_paths.h"
#include "midi/player.h"
#include "midi/sequencer.h"
#include "panels/file_selector_panel.h"
#include "platform/files.h"
#include "platform/message.h"
#include "platform/user.h"

namespace {

constexpr const char* kDesktopEntry = "nivra";
// The desktop entry's MimeType list.
constexpr const char* kMimeTypes[] = {"audio/midi", "audio/x-midi", "audio/x-rcp", nullptr};
constexpr double kPercent = 100.0;

// Each call does what the matching key does.
class PlayerControls final : public platform::MprisPlayer {
public:
    platform::MprisState GetState() const override { return DescribePlayer(ReadPlayerFacts()); }
    std::int64_t GetPositionUs() const override {
        return PlayerIsLoaded() ? std::int64_t{PlayerGetPlayTime()} * 1000 : 0;
    }
    std::uint32_t GetJumpCount() const override { return GetSequencer().GetJumpCount(); }

    void Play() override {
        // F7 goes on from a pause; F6 plays a stopped or ended song from its start.
        if (!PlayerIsPlaying() || PlayerIsPaused())
            PlayerPlay();
    }
    void Pause() override {
        if (PlayerIsPlaying() && !PlayerIsPaused())
            PlayerPause();
    }
    void PlayPause() override {
        if (PlayerIsPlaying() && !PlayerIsPaused())
            PlayerPause();
        else
            Play();
    }
    void Stop() override { PlayerStop(); }
    void Next() override { StepSong(+1); }
    void Previous() override { StepSong(-1); }
    void SetPositionUs(std::int64_t position_us) override {
        GetSequencer().SeekMs(position_us / 1000);
    }
    void SetRate(double rate) override {
        GetSequencer().SetTempoPercent(static_cast<int>(std::lround(rate * kPercent)));
    }
    void SetVolume(double volume) override {
        PlayerSetVolume(std::clamp(static_cast<int>(std::lround(volume * PLAYER_MAX_VOLUME)), 0,
                                   PLAYER_MAX_VOLUME));
    }
    void SetLoop(platform::MprisLoop loop) override {
        // Repeat (F5) reads as Track whatever play-through (F4) is.
        PlayerSetRepeat(loop == platform::MprisLoop::kTrack);
        if (loop != platform::MprisLoop::kTrack)
            PlayerSetPlayThrough(loop == platform::MprisLoop::kPlaylist);
    }
    void SetFullscreen(bool fullscreen) override {
        if (fullscreen != DescribePlayer(ReadPlayerFacts()).fullscreen)
            platform::ToggleFullscreen();
    }
    std::string OpenUri(const std::string& uri) override;
    // As Escape: a close request, which quits with the fade.
    void Quit() override { platform::RequestClose(); }
};

std::string PlayerControls::OpenUri(const std::string& uri) {
    const std::string path = PathOfFileUri(uri);
    if (path.empty())
        return "not a local file:// URI: " + uri;
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return "no such file or folder: " + uri;
    if (S_ISDIR(info.st_mode)) {
        CFileSelectorPanel* selector = GetFileSelector();
        const std::string folder = platform::ProgramPathOfNative(path);
        if (selector == nullptr || folder.empty() || !selector->ShowFolder(folder))
            return "cannot browse: " + uri;
        return {};
    }
    if (!S_ISREG(info.st_mode))
        return "not a song file: " + uri;
    // As a song named on the command line: it plays, and the list goes along.
    const StartPaths start = ResolveStartPaths({path});
    if (start.songs.empty())
        return "cannot open: " + uri;
    QueueSongs(start.songs);
    return {};
}

bool allowed = false;
PlayerControls controls;
std::unique_ptr<platform::MprisService> service;

}  // namespace

void AllowMediaControls() {
    allowed = true;
}

void StartMediaControls() {
    if (allowed && !service)
        service = platform::MprisService::Start(controls, kDesktopEntry, kMimeTypes);
}

void ServeMediaControls() {
    if (service && !service->Serve())
        service.reset();
}

void StopMediaControls() {
    service.reset();
}
