// Helpers of the screen tests: palette files, the fade level a screenshot's
// palette shows, and runs that take a screenshot every few milliseconds.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/indexed_png.h"
#include "tests/support/nivra_process.h"

namespace screen {

using Colours = std::array<std::array<std::uint8_t, 3>, 256>;

// The colours of a palette file beside the program (missing bytes black).
inline Colours ReadPaletteFile(const std::filesystem::path& path) {
    const std::string bytes = e2e::ReadWholeFile(path);
    Colours colours{};
    for (std::size_t i = 0; i < 256 * 3 && i < bytes.size(); ++i)
        colours[i / 3][i % 3] = static_cast<std::uint8_t>(bytes[i]);
    return colours;
}

inline Colours ProgramPalette(int digit) {
    return ReadPaletteFile(std::string(NIVRA_BINARY_DIR "/nivra") + std::to_string(digit) + ".act");
}

// One colour component at a brightness in percent, as the display gets it.
inline int Dimmed(int component, int percent) {
    if (percent == 100)
        return component;
    int factor = percent * 256 / 100;
    factor -= (factor >> 8) & 0xFF;
    return (component * factor) >> 8;
}

// Entries 1 to 7 are text colours that nothing animates or links.
constexpr int kFirstSteadyEntry = 1;
constexpr int kLastSteadyEntry = 7;

// The fade step (0, 5, ..., 100) at which `file` gives the screenshot's
// steady entries exactly, or nothing when no step does.
inline std::optional<int> FadeLevel(const e2e::IndexedImage& shot, const Colours& file) {
    for (int percent = 0; percent <= 100; percent += 5) {
        bool all = true;
        for (int entry = kFirstSteadyEntry; entry <= kLastSteadyEntry && all; ++entry)
            for (int c = 0; c < 3; ++c)
                all = all && shot.palette[entry][c] == Dimmed(file[entry][c], percent);
        if (all)
            return percent;
    }
    return std::nullopt;
}

// A shot long after the fade-in, which has ended by then however busy the
// machine: the dense series before it may still catch the fade under way.
inline constexpr int kSettledShotMs = 5000;

// Screenshot names carry their time, so a run's shots sort by it.
inline std::string ShotName(int at_ms) {
    return "shot-" + std::to_string(at_ms) + ".png";
}

// Every `every_ms` from `from_ms` up to `to_ms`.
inline std::vector<int> ShotTimes(int from_ms, int to_ms, int every_ms) {
    std::vector<int> times;
    for (int at = from_ms; at <= to_ms; at += every_ms)
        times.push_back(at);
    return times;
}

// Adds a screenshot at each of `times`, saved in `folder`.
inline void AddShots(std::vector<e2e::ScriptLine>& script, const std::filesystem::path& folder,
                     const std::vector<int>& times) {
    for (int at : times)
        script.push_back({at, "SHOT " + (folder / ShotName(at)).string()});
}

struct TimedShot {
    int at_ms;
    e2e::IndexedImage image;
};

// The screenshots of AddShots that were written, in time order.
inline std::vector<TimedShot> ReadShots(const std::filesystem::path& folder,
                                        const std::vector<int>& times) {
    std::vector<TimedShot> shots;
    for (int at : times) {
        e2e::IndexedImage image = e2e::ReadIndexedPng(folder / ShotName(at));
        if (image.Valid())
            shots.push_back({at, std::move(image)});
    }
    return shots;
}

// The fade levels of a series of shots, -1 where a shot shows no level.
inline std::vector<int> FadeLevels(const std::vector<TimedShot>& shots, const Colours& file) {
    std::vector<int> levels;
    for (const TimedShot& shot : shots)
        levels.push_back(FadeLevel(shot.image, file).value_or(-1));
    return levels;
}

inline std::string Describe(const std::vector<int>& levels) {
    std::string text;
    for (int level : levels)
        text += std::to_string(level) + " ";
    return text;
}

}  // namespace screen
