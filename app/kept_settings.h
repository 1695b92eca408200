// The settings kept between runs: read from the settings file at start-up
// and taken into the program at the right steps, gathered from the program
// at quit and written back when something changed during the run. Nothing in
// the file stops the program: what is bad is left at its default and named
// in one line on standard error.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/settings_text.h"

// The settings file's place: NIVRA_CONFIG when set, else nivra/nivra.conf in
// $XDG_CONFIG_HOME when that is absolute, else in $HOME/.config. Empty when
// none of them names a place. Null arguments are unset variables.
std::string SettingsFilePath(const char* nivra_config, const char* xdg_config_home,
                             const char* home);
// The same from the environment.
std::string SettingsFilePath();

// The folders (absolute) of the songs among the paths named on the command
// line.
std::vector<std::string> SongFolders(const std::vector<std::string>& native_paths);

// What the command line says to the kept settings.
struct KeptSettingsStart {
    std::string path;           // the settings file; empty: nothing read or written
    bool device_given = false;  // a device was named: the kept one waits this run
    bool paths_given = false;   // songs or folders were named: so was the folder
    // The SoundFonts and synth settings the command line gave for this run.
    platform::SynthConfig synth_given;
    // The folders of the songs named: browsing there is the song queue's
    // doing, so it is not kept.
    std::vector<std::string> song_folders;
};

class KeptSettings {
public:
    // Start-up, in this order. Off until Use names a file.
    void Use(KeptSettingsStart start);
    // Reads the file; the kept video mode goes to the platform, so call
    // this before the main window opens.
    void Load();
    // The selector's folder (when it still exists), the device (when it is
    // still there), volume, repeat, play-through and the loop settings:
    // before the panels are made and before any song plays.
    void ApplyToPlayer();
    // The palette, as Alt+digit loads it: once the palette exists.
    void ApplyPalette();
    // The synth configuration the run starts with (see StartingSynthConfig);
    // also with no settings file.
    platform::SynthConfig StartingSynth() const;
    // `loop` with the file's loop settings put over it.
    LoopSettings LoopSettingsOver(LoopSettings loop) const;
    // The device the file names, if any (it may be gone).
    std::optional<std::uint32_t> KeptDevice() const { return file_.device; }
    // Takes note of the program as it starts, and names in one line what
    // the file held that was not used.
    void FinishStartUp();

    // At quit: writes the settings that changed during the run into the
    // file as it is then (another instance may have written it meanwhile),
    // leaving every other line as it was; a failure is one line on
    // standard error.
    void Save();

private:
    bool InUse() const { return !start_.path.empty(); }
    bool IsSongFolder(const std::string& folder) const;
    void Problem(std::string what) { problems_.push_back(std::move(what)); }

    KeptSettingsStart start_;
    // The good values the file held, and the program's as start-up ended.
    KeptValues file_;
    KeptValues started_;
    std::vector<std::string> problems_;
    // The reading failed as a whole (the message says why).
    std::string file_failure_;
};

// The program's settings as they are now (the folder, device, palette,
// volume, repeat, play-through, loop settings and, with a display, the
// video mode).
KeptValues CurrentKeptValues();
