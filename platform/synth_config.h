// What the software synthesizer plays with (served by the MIDI-out layer): the SoundFont stack and
// its sound settings. Kept by the program and read by the synth when it loads or renders; an unset
// value keeps the synth's own default. Also where SoundFonts are found, and what the synth has
// loaded.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

enum class SynthInterpolation { kNone, kLinear, kFourthOrder, kSeventhOrder };

struct SynthConfig {
    // Top of the stack first: its presets win where two SoundFonts have the
    // same bank and program. Empty: NIVRA_SOUNDFONT, else the default SoundFont.
    std::vector<std::string> soundfonts;
    // The SoundFont beside the playing song's folder, on top of the stack
    // while that folder's songs play (empty: none). Never kept.
    std::string folder_soundfont;
    std::optional<bool> reverb;
    std::optional<double> reverb_level;  // 0 to 1
    std::optional<bool> chorus;
    std::optional<double> chorus_level;  // 0 to 10
    std::optional<double> gain;          // 0 to 10, at full volume
    std::optional<int> polyphony;        // 1 to 65535
    std::optional<SynthInterpolation> interpolation;
    std::optional<int> sample_rate;  // 8000 to 96000 Hz

    bool operator==(const SynthConfig&) const = default;
};

inline constexpr double kMaxReverbLevel = 1.0;
inline constexpr double kMaxChorusLevel = 10.0;
inline constexpr double kMaxSynthGain = 10.0;
inline constexpr int kMaxPolyphony = 65535;
inline constexpr int kMinSampleRate = 8000;
inline constexpr int kMaxSampleRate = 96000;

// The configuration the synth uses from now on (thread-safe). A new stack or
// sample rate loads in the background while the old sound plays on; the other
// settings apply at once.
void SetSynthConfig(const SynthConfig& config);
SynthConfig GetSynthConfig();

// The folders searched for SoundFonts, in order: /usr/share/sounds/sf2,
// /usr/share/sounds/sf3, /usr/share/soundfonts, $XDG_DATA_HOME/soundfonts
// (an absolute one, else ~/.local/share/soundfonts) and soundfonts under each
// absolute entry of $XDG_DATA_DIRS (default /usr/local/share:/usr/share). Null
// arguments are unset variables.
std::vector<std::string> SoundFontFolders(const char* xdg_data_home, const char* xdg_data_dirs,
                                          const char* home);
// Every SoundFont (.sf2 or .sf3, in any case) in the folders the environment
// names: folder by folder, by name within a folder, each file once (a link to
// a file already listed is left out).
std::vector<std::string> FindSoundFonts();
// Whether `name` ends in .sf2 or .sf3 (any case).
bool IsSoundFontName(const std::string& name);
// The SoundFont the synth plays when nothing is chosen (empty: none found).
std::string DefaultSoundFont();
// The SoundFont that belongs to a song: beside it with the song's name and
// .sf2 or .sf3, else the only SoundFont in its folder; empty when there is none.
std::string FolderSoundFont(const std::string& song_path);
// What the synth loads for `config`, top first: the folder's SoundFont, then
// the chosen stack, or NIVRA_SOUNDFONT, or the default.
std::vector<std::string> SoundFontStack(const SynthConfig& config);

// What the software synth has loaded, for the status bar and the list.
struct SynthSoundState {
    std::uint32_t generation = 0;     // grows each time a new sound is taken into use
    bool loading = false;             // a new sound is being loaded
    std::vector<std::string> loaded;  // the SoundFonts in use, top first
    std::vector<std::string> chosen;  // the chosen stack they came from (no folder's, no default)
    std::uint32_t failures = 0;       // grows with each SoundFont that failed to load
    std::string last_failure;         // "NAME: why" of the latest
};
SynthSoundState GetSynthSoundState();

// How one SoundFont loads and what it holds, for the benchmark that compares
// the candidates for the default sound.
struct SoundFontFigures {
    std::string problem;             // empty when it loaded
    double load_seconds = 0;         // until ready to play
    long loaded_kb = 0;              // resident memory the load added
    double all_presets_seconds = 0;  // then every preset chosen once
    long all_presets_kb = 0;         // and the memory after that
    int gm_programs = 0;             // of the 128 General MIDI programs in bank 0
    int gs_variations = 0;           // melodic presets in banks 1 to 127
    int drum_kits = 0;               // presets in bank 128
    bool compressed = false;
    int min_sample_rate = 0;
    int max_sample_rate = 0;
};
// `all_at_load`: every sample read while loading, as for a sound that
// replaces another; else as for the first sound of a run.
SoundFontFigures MeasureSoundFont(const std::string& path, bool all_at_load);

// Starts loading the synth's sound now, ahead of the first song, so that it is
// ready sooner; nothing when it is loaded or loading.
void PrepareSoftwareSynth();

}  // namespace platform
