// What the software synthesizer plays with (served by the MIDI-out layer): the SoundFont stack and
// its sound settings. Kept by the program and read by the synth when it loads or renders; an unset
// value keeps the synth's own default.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

enum class SynthInterpolation { kNone, kLinear, kFourthOrder, kSeventhOrder };

struct SynthConfig {
    // Top of the stack first: its presets win where two SoundFonts have the
    // same bank and program. Empty: the default SoundFont.
    std::vector<std::string> soundfonts;
    std::optional<bool> reverb;
    std::optional<double> reverb_level;
    std::optional<bool> chorus;
    std::optional<double> chorus_level;
    std::optional<double> gain;
    std::optional<int> polyphony;
    std::optional<SynthInterpolation> interpolation;
    std::optional<int> sample_rate;

    bool operator==(const SynthConfig&) const = default;
};

// The configuration the synth uses from now on (thread-safe).
void SetSynthConfig(const SynthConfig& config);
SynthConfig GetSynthConfig();

}  // namespace platform
