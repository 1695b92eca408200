#include "platform/backends/midi/synth_factory.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <mutex>
#include <thread>

#include "platform/backends/midi/soundfont_check.h"
#include "platform/report.h"

namespace platform::winmm {
namespace {

constexpr int kDefaultSampleRate = 44100;
std::atomic<int> output_sample_rate{0};
constexpr double kProgramGain = 0.6;

// FluidSynth's own messages go through the same place as ours.
void RouteFluidLog(int level, const char* message, void*) {
    if (level <= FLUID_WARN)
        Report("MIDI:FluidSynth", "%s", message);
}

int InterpolationMethod(SynthInterpolation interpolation) {
    switch (interpolation) {
        case SynthInterpolation::kNone:
            return FLUID_INTERP_NONE;
        case SynthInterpolation::kLinear:
            return FLUID_INTERP_LINEAR;
        case SynthInterpolation::kFourthOrder:
            return FLUID_INTERP_4THORDER;
        case SynthInterpolation::kSeventhOrder:
            return FLUID_INTERP_7THORDER;
    }
    return FLUID_INTERP_DEFAULT;
}

int OfflineCores() {
    return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
}

// Settings that only count when the synth is made.
void SetCreationSettings(fluid_settings_t* settings, const SynthConfig& config,
                         bool dynamic_samples, SynthCaller caller) {
    fluid_settings_setnum(settings, "synth.sample-rate", SynthSampleRate(config));
    // GS and XG messages are addressed to device 0x10; without this the
    // synth ignores their resets and part settings.
    fluid_settings_setint(settings, "synth.device-id", 16);
    fluid_settings_setnum(settings, "synth.gain", FullGain(config));
    // Samples are read when a preset is chosen, not all at load: a large
    // SoundFont is ready at once and takes only the memory it uses. Not with
    // compressed samples: decoding them as a song changes programs would
    // hold up the audio, so those are all decoded while loading instead.
    fluid_settings_setint(settings, "synth.dynamic-sample-loading", dynamic_samples ? 1 : 0);
    if (config.reverb)
        fluid_settings_setint(settings, "synth.reverb.active", *config.reverb ? 1 : 0);
    if (config.chorus)
        fluid_settings_setint(settings, "synth.chorus.active", *config.chorus ? 1 : 0);
    if (config.polyphony)
        fluid_settings_setint(settings, "synth.polyphony", *config.polyphony);
    if (caller == SynthCaller::kOfflineRender) {
        fluid_settings_setint(settings, "synth.threadsafe-api", 0);
        fluid_settings_setint(settings, "synth.cpu-cores", OfflineCores());
    }
}

// Reads every preset's samples now, on the loading thread, and keeps them.
void PinPresets(fluid_synth_t* synth, int sfont_id) {
    fluid_sfont_t* sfont = fluid_synth_get_sfont_by_id(synth, sfont_id);
    if (sfont == nullptr)
        return;
    std::vector<std::pair<int, int>> presets;
    fluid_sfont_iteration_start(sfont);
    while (fluid_preset_t* preset = fluid_sfont_iteration_next(sfont))
        presets.emplace_back(fluid_preset_get_banknum(preset), fluid_preset_get_num(preset));
    for (const auto& [bank, program] : presets)
        fluid_synth_pin_preset(synth, sfont_id, bank, program);
}

}  // namespace

int SynthSampleRate(const SynthConfig& config) {
    const int output = output_sample_rate.load(std::memory_order_relaxed);
    return config.sample_rate.value_or(output != 0 ? output : kDefaultSampleRate);
}

void UseOutputSampleRate(int hz) {
    if (hz >= kMinSampleRate && hz <= kMaxSampleRate)
        output_sample_rate.store(hz, std::memory_order_relaxed);
}

double FullGain(const SynthConfig& config) {
    return config.gain.value_or(kProgramGain);
}

std::string SoundFontShortName(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

void ApplySoundSettings(fluid_synth_t* synth, const SynthConfig& config) {
    if (config.reverb)
        fluid_synth_reverb_on(synth, -1, *config.reverb ? 1 : 0);
    if (config.reverb_level)
        fluid_synth_set_reverb_group_level(synth, -1, *config.reverb_level);
    if (config.chorus)
        fluid_synth_chorus_on(synth, -1, *config.chorus ? 1 : 0);
    if (config.chorus_level)
        fluid_synth_set_chorus_group_level(synth, -1, *config.chorus_level);
    if (config.polyphony)
        fluid_synth_set_polyphony(synth, *config.polyphony);
    if (config.interpolation)
        fluid_synth_set_interp_method(synth, -1, InterpolationMethod(*config.interpolation));
}

SynthBuild CreateSynth(const SynthConfig& config, SampleLoading samples, SynthCaller caller) {
    static std::once_flag routed;
    std::call_once(routed, [] {
        for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
            fluid_set_log_function(level, RouteFluidLog, nullptr);
    });
    SynthBuild build;
    auto instance = std::make_unique<SynthInstance>();
    instance->config_ = config;
    instance->sample_rate_ = SynthSampleRate(config);
    instance->settings_.reset(new_fluid_settings());
    if (!instance->settings_)
        return build;
    // Each SoundFont is checked before the synth reads it.
    const std::vector<std::string> stack = SoundFontStack(config);
    std::vector<std::string> problems;
    bool any_compressed = false;
    for (const std::string& path : stack) {
        const SoundFontFacts facts = CheckSoundFont(path);
        problems.push_back(facts.problem);
        any_compressed = any_compressed || (facts.problem.empty() && facts.compressed);
    }
    SetCreationSettings(instance->settings_.get(), config, !any_compressed, caller);
    instance->synth_.reset(new_fluid_synth(instance->settings_.get()));
    if (!instance->synth_)
        return build;
    ApplySoundSettings(instance->synth_.get(), config);

    // FluidSynth puts each SoundFont loaded on top of the ones before: the
    // stack loads from the bottom up.
    for (std::size_t i = stack.size(); i-- > 0;) {
        const std::string& path = stack[i];
        std::string& problem = problems[i];
        int sfont_id = FLUID_FAILED;
        if (problem.empty() && (sfont_id = fluid_synth_sfload(instance->synth_.get(), path.c_str(),
                                                              1)) == FLUID_FAILED)
            problem = "not loaded";
        if (problem.empty() && !any_compressed && samples == SampleLoading::kAllAtLoad)
            PinPresets(instance->synth_.get(), sfont_id);
        if (!problem.empty()) {
            build.problems.push_back(SoundFontShortName(path) + ": " + problem);
            continue;
        }
        instance->loaded_.insert(instance->loaded_.begin(), path);
        const auto& chosen = config.soundfonts;
        if (std::find(chosen.begin(), chosen.end(), path) != chosen.end())
            instance->chosen_.insert(instance->chosen_.begin(), path);
    }
    if (!instance->loaded_.empty())
        build.instance = std::move(instance);
    return build;
}

}  // namespace platform::winmm
