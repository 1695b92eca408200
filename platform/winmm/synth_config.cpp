#include <mutex>

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
    std::lock_guard<std::mutex> guard(ConfigLock());
    StoredConfig() = config;
}

SynthConfig GetSynthConfig() {
    std::lock_guard<std::mutex> guard(ConfigLock());
    return StoredConfig();
}

}  // namespace platform
