#include "app/kept_settings.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>

#include "app/sound_choice.h"
#include "display/palette.h"
#include "midi/midi_out.h"
#include "midi/player.h"
#include "midi/sequencer.h"
#include "platform/files.h"
#include "platform/report.h"
#include "platform/user.h"
#include "platform/winmm.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kArea = "SETTINGS";
// A settings file is a few hundred bytes; anything this large is not one.
constexpr std::size_t kMaxFileBytes = 64 * 1024;

// The device the file names, found by its id or, when the ports were
// numbered anew since, by its name; none when it is gone.
std::optional<UINT> FindKeptDevice(UINT id, const std::optional<std::string>& name) {
    if (id == MIDI_MAPPER)
        return id;
    if (name)
        return FindMidiOutDevice(id, *name);
    return id < midiOutGetNumDevs() ? std::optional<UINT>(id) : std::nullopt;
}

// A setting is taken from this run only when it changed during the run; the
// rest stays as the file had it (a device named on the command line, a mode
// NIVRA_VIDEO chose, a folder a song on the command line led to).
template <typename T>
void TakeChange(std::optional<T>& kept, const std::optional<T>& now,
                const std::optional<T>& started) {
    if (now != started)
        kept = now;
}

}  // namespace

std::string SettingsFilePath(const char* nivra_config, const char* xdg_config_home,
                             const char* home) {
    if (nivra_config && *nivra_config)
        return nivra_config;
    // The base directory rules ignore a relative XDG_CONFIG_HOME.
    if (xdg_config_home && xdg_config_home[0] == '/')
        return (fs::path(xdg_config_home) / "nivra/nivra.conf").string();
    if (home && *home)
        return (fs::path(home) / ".config/nivra/nivra.conf").string();
    return {};
}

std::string SettingsFilePath() {
    std::string path = SettingsFilePath(std::getenv("NIVRA_CONFIG"), std::getenv("XDG_CONFIG_HOME"),
                                        std::getenv("HOME"));
    // Taken as absolute now: the selector changes the working folder later.
    std::error_code failed;
    if (!path.empty()) {
        const fs::path absolute = fs::absolute(path, failed);
        if (!failed)
            path = absolute.string();
    }
    return path;
}

std::vector<std::string> SongFolders(const std::vector<std::string>& native_paths) {
    std::vector<std::string> folders;
    for (const std::string& path : native_paths) {
        std::error_code failed;
        if (!fs::is_directory(path, failed))
            folders.push_back(fs::absolute(path, failed).parent_path().string());
    }
    return folders;
}

KeptValues CurrentKeptValues() {
    KeptValues now;
    std::error_code failed;
    const fs::path folder = fs::current_path(failed);
    if (!failed)
        now.folder = folder.string();
    CSequencer& sequencer = GetSequencer();
    now.device = sequencer.GetSelectedDevice();
    if (const int digit = GetPalette().GetLoadedDigit(); digit >= 0)
        now.palette = digit;
    now.volume = sequencer.GetVolume();
    now.repeat = sequencer.GetRepeat();
    now.play_through = PlayerGetPlayThrough();
    const LoopSettings loop = sequencer.GetLoopSettings();
    now.loop_mode = loop.mode;
    now.loop_count = loop.count;
    now.loop_fade_seconds = loop.fade_seconds;
    // Only the stack can change during a run (F10); the sound settings are
    // the file's or the command line's.
    now.synth.soundfonts = platform::GetSynthConfig().soundfonts;
    const char* mode = platform::GetVideoBackendName();
    if (std::strcmp(mode, "headless") != 0)
        now.fullscreen = std::strcmp(mode, "fullscreen") == 0;
    return now;
}

void KeptSettings::Use(KeptSettingsStart start) {
    start_ = std::move(start);
}

void KeptSettings::Load() {
    if (!InUse())
        return;
    std::string text;
    switch (platform::ReadSmallFile(start_.path, kMaxFileBytes, text, &file_failure_)) {
        case platform::SmallFileRead::kMissing:
            return;  // the first run
        case platform::SmallFileRead::kTooLarge:
        case platform::SmallFileRead::kUnreadable:
            return;
        case platform::SmallFileRead::kRead:
            break;
    }
    file_failure_.clear();
    file_ = ParseKeptValues(text, &problems_);
    if (file_.fullscreen)
        platform::SetPreferredVideoMode(*file_.fullscreen);
}

void KeptSettings::ApplyToPlayer() {
    if (!InUse())
        return;
    if (file_.folder && !start_.paths_given) {
        std::error_code failed;
        if (!fs::is_directory(*file_.folder, failed))
            Problem("the folder " + LegibleForMessage(*file_.folder) + " is gone");
        else if (fs::current_path(*file_.folder, failed); failed)
            Problem("cannot enter the folder " + LegibleForMessage(*file_.folder) + " (" +
                    failed.message() + ")");
    }
    CSequencer& sequencer = GetSequencer();
    if (file_.device && !start_.device_given) {
        if (const std::optional<UINT> id = FindKeptDevice(*file_.device, file_.device_name))
            sequencer.SelectDevice(*id);
        else
            Problem("the device " +
                    LegibleForMessage(file_.device_name.value_or(std::to_string(*file_.device))) +
                    " is gone");
    }
    if (file_.volume)
        sequencer.SetVolume(*file_.volume);
    if (file_.repeat)
        sequencer.SetRepeat(*file_.repeat);
    if (file_.play_through)
        PlayerSetPlayThrough(*file_.play_through);
    sequencer.SetLoopSettings(LoopSettingsOver(sequencer.GetLoopSettings()));
}

LoopSettings KeptSettings::LoopSettingsOver(LoopSettings loop) const {
    loop.mode = file_.loop_mode.value_or(loop.mode);
    loop.count = file_.loop_count.value_or(loop.count);
    loop.fade_seconds = file_.loop_fade_seconds.value_or(loop.fade_seconds);
    return loop;
}

void KeptSettings::ApplyPalette() {
    if (InUse() && file_.palette && !GetPalette().LoadFile(*file_.palette))
        Problem("the palette file nivra" + std::to_string(*file_.palette) + ".act cannot be read");
}

platform::SynthConfig KeptSettings::StartingSynth() const {
    return StartingSynthConfig(
        file_.synth, start_.synth_given,
        std::getenv("NIVRA_SOUNDFONT") != nullptr && *std::getenv("NIVRA_SOUNDFONT") != '\0');
}

void KeptSettings::FinishStartUp() {
    if (!InUse())
        return;
    started_ = CurrentKeptValues();
    const char* path = start_.path.c_str();
    if (!file_failure_.empty()) {
        platform::Report(kArea, "%s: %s; the defaults stand", path, file_failure_.c_str());
    } else if (!problems_.empty()) {
        const std::string more =
            problems_.size() > 1 ? " (and " + std::to_string(problems_.size() - 1) + " more)" : "";
        platform::Report(kArea, "%s: %s%s; the defaults stand for those", path,
                         problems_.front().c_str(), more.c_str());
    }
}

void KeptSettings::Save() {
    if (!InUse())
        return;
    const KeptValues now = CurrentKeptValues();
    KeptValues changed;
    if (now.folder && !IsSongFolder(*now.folder))
        TakeChange(changed.folder, now.folder, started_.folder);
    std::vector<std::string> dropped;
    if (now.device != started_.device) {
        changed.device = now.device;
        // The name the device was chosen by: its number may name another
        // port by now.
        if (now.device && *now.device != MIDI_MAPPER)
            if (std::string name = GetSequencer().GetSelectedDeviceName(); !name.empty())
                changed.device_name = std::move(name);
        if (!changed.device_name)
            dropped.push_back("device_name");
    }
    TakeChange(changed.palette, now.palette, started_.palette);
    TakeChange(changed.volume, now.volume, started_.volume);
    TakeChange(changed.repeat, now.repeat, started_.repeat);
    TakeChange(changed.play_through, now.play_through, started_.play_through);
    TakeChange(changed.fullscreen, now.fullscreen, started_.fullscreen);
    TakeChange(changed.loop_mode, now.loop_mode, started_.loop_mode);
    TakeChange(changed.loop_count, now.loop_count, started_.loop_count);
    TakeChange(changed.loop_fade_seconds, now.loop_fade_seconds, started_.loop_fade_seconds);
    if (now.synth.soundfonts != started_.synth.soundfonts) {
        changed.synth.soundfonts = now.synth.soundfonts;
        if (now.synth.soundfonts.empty())
            dropped.push_back("soundfont");
    }
    // Nothing changed: the file stays as it is, even a damaged one.
    if (changed == KeptValues{} && dropped.empty())
        return;
    const auto update = [&](platform::SmallFileRead read, const std::string& text) {
        // A file that cannot be read as settings is replaced by the changes.
        return UpdateKeptText(read == platform::SmallFileRead::kRead ? text : std::string(),
                              changed, dropped);
    };
    std::string error;
    if (!platform::UpdateFileAtomically(start_.path, kMaxFileBytes, update, &error))
        platform::Report(kArea, "not saved: %s", error.c_str());
}

bool KeptSettings::IsSongFolder(const std::string& folder) const {
    std::error_code failed;
    const fs::path place = fs::weakly_canonical(folder, failed);
    for (const std::string& song_folder : start_.song_folders)
        if (fs::weakly_canonical(song_folder, failed) == place)
            return true;
    return false;
}
