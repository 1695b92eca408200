// The one way a FluidSynth synthesizer is made from a SynthConfig: its
// settings, the device id GS and XG messages need, and the SoundFont stack.
// The player's device and offline rendering both make theirs here.
#pragma once

#include <fluidsynth.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/synth_config.h"

namespace platform::winmm {

struct SynthBuild;

// When a SoundFont's samples are read. On first use the synth is ready at
// once, but a preset's samples are read when it is first chosen, on the
// thread that renders: 15 program changes at a song's start took 38 ms
// there with FluidR3_GM. All at load takes longer to be ready (and all the
// memory) but never reads during play. Compressed samples are always
// decoded at load.
enum class SampleLoading { kOnFirstUse, kAllAtLoad };

// Who calls the synth: the player's device, from the audio thread and the
// senders, or an offline render from one thread alone, which may share the
// voices out among the processor's cores.
enum class SynthCaller { kPlayer, kOfflineRender };

// A synthesizer with its settings; the synth goes before the settings.
class SynthInstance {
public:
    SynthInstance() = default;
    SynthInstance(const SynthInstance&) = delete;
    SynthInstance& operator=(const SynthInstance&) = delete;

    fluid_synth_t* Synth() const { return synth_.get(); }
    int SampleRate() const { return sample_rate_; }
    // The SoundFonts loaded, top first, and the chosen stack among them.
    const std::vector<std::string>& Loaded() const { return loaded_; }
    const std::vector<std::string>& Chosen() const { return chosen_; }
    // The configuration it was made from (its stack and sample rate).
    const SynthConfig& Config() const { return config_; }

private:
    friend SynthBuild CreateSynth(const SynthConfig& config, SampleLoading samples,
                                  SynthCaller caller);

    std::unique_ptr<fluid_settings_t, decltype(&delete_fluid_settings)> settings_{
        nullptr, &delete_fluid_settings};
    std::unique_ptr<fluid_synth_t, decltype(&delete_fluid_synth)> synth_{nullptr,
                                                                         &delete_fluid_synth};
    int sample_rate_ = 0;
    std::vector<std::string> loaded_;
    std::vector<std::string> chosen_;
    SynthConfig config_;
};

struct SynthBuild {
    std::unique_ptr<SynthInstance> instance;  // null when nothing could be loaded
    std::vector<std::string> problems;        // "NAME: why", one for each SoundFont left out
};

// The sample rate a configuration plays at: its own, else the rate of the
// audio output the player plays through (see UseOutputSampleRate), else
// 44100 Hz.
int SynthSampleRate(const SynthConfig& config);
// The rate the sound server or card runs at, as the player's output found
// it: a synth at that rate is played as rendered, with nothing resampled on
// the way. Renders never set it; their files keep the plain default.
void UseOutputSampleRate(int hz);

// Makes a synthesizer for `config` and loads its stack (SoundFontStack), each
// SoundFont checked first; one that fails is left out and named. Slow for a
// large SoundFont: call it away from the threads that must keep time.
SynthBuild CreateSynth(const SynthConfig& config,
                       SampleLoading samples = SampleLoading::kOnFirstUse,
                       SynthCaller caller = SynthCaller::kPlayer);

// Sets the sound settings of `config` that can change while the synth plays
// (reverb, chorus, polyphony, interpolation); gain is the device's, with its
// volume. Unset ones are left as they are.
void ApplySoundSettings(fluid_synth_t* synth, const SynthConfig& config);

// The gain at full volume: the configured one, else the program's own.
double FullGain(const SynthConfig& config);

// The name a SoundFont is shown by: its file name without the folder.
std::string SoundFontShortName(const std::string& path);

}  // namespace platform::winmm
