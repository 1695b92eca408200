#include "app/sound_choice.h"

#include <algorithm>

#include "app/synth_settings.h"

platform::SynthConfig StartingSynthConfig(const platform::SynthConfig& kept,
                                          const platform::SynthConfig& given,
                                          bool soundfont_variable_set) {
    platform::SynthConfig config = kept;
    config.folder_soundfont.clear();
    OverlaySynthSettings(given, config);
    if (!given.soundfonts.empty())
        config.soundfonts = given.soundfonts;
    else if (soundfont_variable_set)
        config.soundfonts.clear();
    return config;
}

std::vector<std::string> SoundFontListLines(const platform::SynthConfig& config) {
    const std::vector<std::string> in_use = platform::SoundFontStack(config);
    std::vector<std::string> listed = platform::FindSoundFonts();
    for (const std::string& path : in_use)
        if (std::find(listed.begin(), listed.end(), path) == listed.end())
            listed.push_back(path);
    std::vector<std::string> lines;
    for (const std::string& path : listed) {
        const bool used = std::find(in_use.begin(), in_use.end(), path) != in_use.end();
        lines.push_back((used ? "* " : "  ") + path);
    }
    return lines;
}
