#include <mutex>

#include "platform/backends/midi/software_synth_device.h"
#include "platform/synth_config.h"

namespace platform {

namespace {

std::mutex& ConfigLock() {
    static std::mutex lock;
    return lock;
}

SynthConfig& StoredConfig() {
    static SynthConfig config;
    return config;
}

}  // namespace

void SetSynthConfig(const SynthConfig& config) {
    {
        std::lock_guard<std::mutex> guard(ConfigLock());
        StoredConfig() = config;
    }
    // Outside the lock: the synth reads the configuration back as it loads.
    winmm::TheSoftwareSynth().Reconfigure(config);
}

SynthConfig GetSynthConfig() {
    std::lock_guard<std::mutex> guard(ConfigLock());
    return StoredConfig();
}

SynthSoundState GetSynthSoundState() {
    return winmm::TheSoftwareSynth().SoundState();
}

namespace winmm {

void RevertSynthSound(const SynthConfig& in_use) {
    std::lock_guard<std::mutex> guard(ConfigLock());
    SynthConfig& stored = StoredConfig();
    stored.soundfonts = in_use.soundfonts;
    stored.folder_soundfont = in_use.folder_soundfont;
    stored.sample_rate = in_use.sample_rate;
}

}  // namespace winmm
}  // namespace platform
