// The software synth's settings by name, as the settings file writes them
// ("reverb_level=0.4") and the command line takes them ("--reverb-level=0.4"):
// one table for both, so each is read and checked the same way.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/synth_config.h"

// Whether `key` names a synth setting (file spelling, with '_').
bool IsSynthSettingKey(std::string_view key);
// Takes `value` into `config`; false when it is not a value of the key.
bool TakeSynthSetting(std::string_view key, std::string_view value, platform::SynthConfig& config);
// The settings `config` sets, as key and value, in a fixed order.
std::vector<std::pair<std::string, std::string>> SynthSettingValues(
    const platform::SynthConfig& config);
// The settings `from` sets, copied over `into` (the stacks are left alone).
void OverlaySynthSettings(const platform::SynthConfig& from, platform::SynthConfig& into);
