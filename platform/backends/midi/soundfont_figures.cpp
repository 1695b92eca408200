// The benchmark's look at one SoundFont: loaded through the synth's own
// creation path, its presets counted and its cost in time and memory taken.
#include <chrono>
#include <cstdio>
#include <set>
#include <utility>

#include "platform/backends/midi/soundfont_check.h"
#include "platform/backends/midi/synth_factory.h"

namespace platform {
namespace {

constexpr int kDrumBank = 128;
constexpr int kChannels = 16;
constexpr int kDrumChannel = 9;

long ResidentKb() {
    long pages_total = 0;
    long pages_resident = 0;
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr)
        return 0;
    if (std::fscanf(statm, "%ld %ld", &pages_total, &pages_resident) != 2)
        pages_resident = 0;
    std::fclose(statm);
    return pages_resident * 4;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

SoundFontFigures MeasureSoundFont(const std::string& path, bool all_at_load) {
    SoundFontFigures figures;
    const winmm::SoundFontFacts facts = winmm::CheckSoundFont(path);
    figures.compressed = facts.compressed;
    figures.min_sample_rate = facts.min_sample_rate;
    figures.max_sample_rate = facts.max_sample_rate;
    SynthConfig config;
    config.soundfonts = {path};
    const long before_kb = ResidentKb();
    const auto start = std::chrono::steady_clock::now();
    winmm::SynthBuild build = winmm::CreateSynth(
        config, all_at_load ? winmm::SampleLoading::kAllAtLoad : winmm::SampleLoading::kOnFirstUse);
    figures.load_seconds = Seconds(start);
    figures.loaded_kb = ResidentKb() - before_kb;
    if (!build.instance) {
        figures.problem = build.problems.empty() ? "not loaded" : build.problems.front();
        return figures;
    }
    fluid_synth_t* synth = build.instance->Synth();
    fluid_sfont_t* sfont = fluid_synth_get_sfont(synth, 0);
    std::set<std::pair<int, int>> presets;
    fluid_sfont_iteration_start(sfont);
    while (fluid_preset_t* preset = fluid_sfont_iteration_next(sfont))
        presets.insert({fluid_preset_get_banknum(preset), fluid_preset_get_num(preset)});
    std::set<int> gm;
    for (const auto& [bank, program] : presets) {
        if (bank == 0)
            gm.insert(program);
        else if (bank == kDrumBank)
            ++figures.drum_kits;
        else if (bank < kDrumBank)
            ++figures.gs_variations;
    }
    figures.gm_programs = static_cast<int>(gm.size());
    // Choosing each preset on a channel reads its samples.
    const auto all_start = std::chrono::steady_clock::now();
    const int sfont_id = fluid_sfont_get_id(sfont);
    int channel = 0;
    for (const auto& [bank, program] : presets) {
        if (channel == kDrumChannel)
            ++channel;
        fluid_synth_program_select(synth, channel, sfont_id, bank, program);
        channel = (channel + 1) % kChannels;
    }
    figures.all_presets_seconds = Seconds(all_start);
    figures.all_presets_kb = ResidentKb() - before_kb;
    return figures;
}

}  // namespace platform
