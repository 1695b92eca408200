#include "views/soundfont_list.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "platform/files.h"

std::vector<std::string> SoundFontListEntries(const platform::SynthConfig& config) {
    std::vector<std::string> entries = platform::FindSoundFonts();
    for (const std::string& path : platform::SoundFontStack(config))
        if (std::find(entries.begin(), entries.end(), path) == entries.end())
            entries.push_back(path);
    return entries;
}

std::vector<std::string> ChosenStack(const platform::SynthConfig& config) {
    if (!config.soundfonts.empty())
        return config.soundfonts;
    platform::SynthConfig fallback = config;
    fallback.folder_soundfont.clear();
    return platform::SoundFontStack(fallback);
}

std::vector<std::string> ToggledStack(std::vector<std::string> stack, const std::string& path) {
    const auto found = std::find(stack.begin(), stack.end(), path);
    if (found != stack.end())
        stack.erase(found);
    else
        stack.insert(stack.begin(), path);
    return stack;
}

int StackPosition(const platform::SynthConfig& config, const std::string& path) {
    const std::vector<std::string> stack = platform::SoundFontStack(config);
    const auto found = std::find(stack.begin(), stack.end(), path);
    return found == stack.end() ? 0 : static_cast<int>(found - stack.begin()) + 1;
}

std::string FormatSoundFontEntry(const std::string& path, int position) {
    const std::string name =
        platform::NativeNameToProgram(std::filesystem::path(path).filename().string());
    char mark[8] = "----";
    if (position > 0)
        std::snprintf(mark, sizeof mark, "%04d", std::min(position, 9999));
    return std::string(mark) + " " + name;
}
