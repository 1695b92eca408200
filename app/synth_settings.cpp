#include "app/synth_settings.h"

#include <charconv>
#include <optional>

#include "app/switch_words.h"

namespace {

using platform::SynthConfig;
using platform::SynthInterpolation;

constexpr std::pair<const char*, SynthInterpolation> kInterpolations[] = {
    {"none", SynthInterpolation::kNone},
    {"linear", SynthInterpolation::kLinear},
    {"4th", SynthInterpolation::kFourthOrder},
    {"7th", SynthInterpolation::kSeventhOrder},
};

std::optional<double> Number(std::string_view text, double low, double high) {
    double number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    // Written so that "nan", which compares false with everything, is out of range.
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        !(number >= low && number <= high))
        return std::nullopt;
    return number;
}

std::optional<int> Whole(std::string_view text, int low, int high) {
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || number < low ||
        number > high)
        return std::nullopt;
    return number;
}

template <typename T>
bool Take(std::optional<T>& into, std::optional<T> value) {
    if (!value)
        return false;
    into = value;
    return true;
}

// The shortest text that reads back as exactly `value`: a level typed with
// more digits than six keeps them all.
std::string Decimal(double value) {
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return error == std::errc() ? std::string(text, end) : std::string();
}

}  // namespace

bool IsSynthSettingKey(std::string_view key) {
    for (const char* name : {"reverb", "reverb_level", "chorus", "chorus_level", "gain",
                             "polyphony", "interpolation", "sample_rate"})
        if (key == name)
            return true;
    return false;
}

bool TakeSynthSetting(std::string_view key, std::string_view value, SynthConfig& config) {
    if (key == "reverb")
        return Take(config.reverb, ParseSwitch(value));
    if (key == "reverb_level")
        return Take(config.reverb_level, Number(value, 0, platform::kMaxReverbLevel));
    if (key == "chorus")
        return Take(config.chorus, ParseSwitch(value));
    if (key == "chorus_level")
        return Take(config.chorus_level, Number(value, 0, platform::kMaxChorusLevel));
    if (key == "gain")
        return Take(config.gain, Number(value, 0, platform::kMaxSynthGain));
    if (key == "polyphony")
        return Take(config.polyphony, Whole(value, 1, platform::kMaxPolyphony));
    if (key == "sample_rate")
        return Take(config.sample_rate,
                    Whole(value, platform::kMinSampleRate, platform::kMaxSampleRate));
    if (key == "interpolation") {
        for (const auto& [name, method] : kInterpolations)
            if (value == name) {
                config.interpolation = method;
                return true;
            }
    }
    return false;
}

std::vector<std::pair<std::string, std::string>> SynthSettingValues(const SynthConfig& config) {
    std::vector<std::pair<std::string, std::string>> values;
    if (config.reverb)
        values.emplace_back("reverb", *config.reverb ? "on" : "off");
    if (config.reverb_level)
        values.emplace_back("reverb_level", Decimal(*config.reverb_level));
    if (config.chorus)
        values.emplace_back("chorus", *config.chorus ? "on" : "off");
    if (config.chorus_level)
        values.emplace_back("chorus_level", Decimal(*config.chorus_level));
    if (config.gain)
        values.emplace_back("gain", Decimal(*config.gain));
    if (config.polyphony)
        values.emplace_back("polyphony", std::to_string(*config.polyphony));
    if (config.interpolation)
        for (const auto& [name, method] : kInterpolations)
            if (method == *config.interpolation)
                values.emplace_back("interpolation", name);
    if (config.sample_rate)
        values.emplace_back("sample_rate", std::to_string(*config.sample_rate));
    return values;
}

void OverlaySynthSettings(const SynthConfig& from, SynthConfig& into) {
    const auto over = [](const auto& value, auto& target) {
        if (value)
            target = value;
    };
    over(from.reverb, into.reverb);
    over(from.reverb_level, into.reverb_level);
    over(from.chorus, into.chorus);
    over(from.chorus_level, into.chorus_level);
    over(from.gain, into.gain);
    over(from.polyphony, into.polyphony);
    over(from.interpolation, into.interpolation);
    over(from.sample_rate, into.sample_rate);
}
