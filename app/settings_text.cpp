#include "app/settings_text.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "app/switch_words.h"
#include "app/synth_settings.h"
#include "platform/winmm.h"

namespace {

constexpr const char* kHeader = "# NIVRA settings, written when the program quits\n";
constexpr std::size_t kMessageChars = 40;
// Far above any real device count; a larger number is damage, not a device.
constexpr std::uint32_t kMaxDeviceId = 0xFFFF;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Control bytes (tab aside) never belong in the file: a line holding one is
// damage, not a setting.
bool IsText(std::string_view line) {
    for (char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t') || byte == 0x7F)
            return false;
    }
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Folder and device names may hold any byte but NUL: control bytes and '%'
// are written as %XX, and so are blanks at either end (the reader trims
// blanks).
std::string Escape(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const auto byte = static_cast<unsigned char>(value[i]);
        const bool edge_blank = IsBlank(value[i]) && (i == 0 || i + 1 == value.size());
        if (byte < 0x20 || byte == 0x7F || byte == '%' || edge_blank) {
            char code[4];
            std::snprintf(code, sizeof code, "%%%02X", byte);
            out += code;
        } else {
            out += value[i];
        }
    }
    return out;
}

// A '%' without two hex digits after it is taken as itself.
std::string Unescape(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '%' && i + 2 < value.size() && HexDigit(value[i + 1]) >= 0 &&
            HexDigit(value[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(value[i + 1]) * 16 + HexDigit(value[i + 2]));
            i += 2;
        } else {
            out += value[i];
        }
    }
    return out;
}

std::optional<std::uint32_t> ParseNumber(std::string_view text, std::uint32_t max) {
    std::uint32_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || number > max)
        return std::nullopt;
    return number;
}

// The loop mode's words in the file.
constexpr struct {
    LoopMode mode;
    const char* word;
} kLoopModeWords[] = {
    {LoopMode::kOff, "off"}, {LoopMode::kCount, "count"}, {LoopMode::kForever, "forever"}};

std::optional<LoopMode> ParseLoopMode(std::string_view text) {
    for (const auto& entry : kLoopModeWords)
        if (text == entry.word)
            return entry.mode;
    return std::nullopt;
}

const char* LoopModeWord(LoopMode mode) {
    for (const auto& entry : kLoopModeWords)
        if (entry.mode == mode)
            return entry.word;
    return "off";
}

// A number from `min` to `max`.
std::optional<int> ParseInRange(std::string_view text, int min, int max) {
    const auto number = ParseNumber(text, static_cast<std::uint32_t>(max));
    if (!number || static_cast<int>(*number) < min)
        return std::nullopt;
    return static_cast<int>(*number);
}

// Takes one value into `values`; false when it is not a value of the key.
// `known` is false for a key the program does not have.
bool TakeValue(std::string_view key, std::string_view raw, KeptValues& values, bool& known) {
    known = true;
    if (key == "folder") {
        std::string folder = Unescape(raw);
        if (folder.empty() || folder.front() != '/' || folder.find('\0') != std::string::npos)
            return false;
        values.folder = std::move(folder);
    } else if (key == "device") {
        if (raw == "mapper") {
            values.device = MIDI_MAPPER;
        } else if (auto id = ParseNumber(raw, kMaxDeviceId)) {
            values.device = *id;
        } else {
            return false;
        }
    } else if (key == "device_name") {
        std::string name = Unescape(raw);
        if (name.empty() || name.size() >= MAXPNAMELEN || name.find('\0') != std::string::npos)
            return false;
        values.device_name = std::move(name);
    } else if (key == "palette") {
        const auto digit = ParseNumber(raw, 9);
        if (!digit)
            return false;
        values.palette = static_cast<int>(*digit);
    } else if (key == "volume") {
        const auto volume = ParseNumber(raw, 255);
        if (!volume)
            return false;
        values.volume = static_cast<int>(*volume);
    } else if (key == "repeat" || key == "play_through") {
        const auto on = ParseSwitch(raw);
        if (!on)
            return false;
        (key == "repeat" ? values.repeat : values.play_through) = *on;
    } else if (key == "soundfont") {
        std::string path = Unescape(raw);
        if (path.empty() || path.find('\0') != std::string::npos)
            return false;
        values.synth.soundfonts.push_back(std::move(path));
    } else if (IsSynthSettingKey(key)) {
        return TakeSynthSetting(key, raw, values.synth);
    } else if (key == "video") {
        if (raw != "fullscreen" && raw != "window")
            return false;
        values.fullscreen = raw == "fullscreen";
    } else if (key == "loop") {
        const auto mode = ParseLoopMode(raw);
        if (!mode)
            return false;
        values.loop_mode = *mode;
    } else if (key == "loop_count") {
        const auto count = ParseInRange(raw, LoopSettings::MIN_COUNT, LoopSettings::MAX_COUNT);
        if (!count)
            return false;
        values.loop_count = *count;
    } else if (key == "loop_fade") {
        const auto seconds = ParseInRange(raw, 0, LoopSettings::MAX_FADE_SECONDS);
        if (!seconds)
            return false;
        values.loop_fade_seconds = *seconds;
    } else {
        known = false;
        return false;
    }
    return true;
}

// The key of a `key=value` line; empty for blank, comment and other lines.
std::string KeyOf(std::string_view line) {
    const std::string_view trimmed = Trim(line);
    const std::size_t equals = trimmed.find('=');
    if (trimmed.empty() || trimmed.front() == '#' || equals == std::string_view::npos)
        return {};
    return std::string(Trim(trimmed.substr(0, equals)));
}

}  // namespace

std::string LegibleForMessage(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (out.size() >= kMessageChars) {
            out += "...";
            break;
        }
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            out += c;
        } else {
            char code[4];
            std::snprintf(code, sizeof code, "%%%02X", byte);
            out += code;
        }
    }
    return out;
}

KeptValues ParseKeptValues(std::string_view text, std::vector<std::string>* problems) {
    KeptValues values;
    std::vector<std::string> seen;
    const auto problem = [&](int number, const std::string& what) {
        if (problems)
            problems->push_back("line " + std::to_string(number) + ": " + what);
    };
    int number = 0;
    while (!text.empty()) {
        ++number;
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (end == std::string_view::npos) {
            // The program ends every line it writes; a last line without an
            // end is what is left of a file cut short.
            problem(number, "cut short (\"" + LegibleForMessage(line) + "\")");
            break;
        }
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const std::string_view trimmed = Trim(line);
        if (trimmed.empty() || trimmed.front() == '#')
            continue;
        if (!IsText(line)) {
            problem(number, "not text");
            continue;
        }
        const std::size_t equals = trimmed.find('=');
        if (equals == std::string_view::npos) {
            problem(number, "no '=' in \"" + LegibleForMessage(trimmed) + "\"");
            continue;
        }
        const std::string key(Trim(trimmed.substr(0, equals)));
        const std::string_view raw = Trim(trimmed.substr(equals + 1));
        bool known = true;
        const bool taken = TakeValue(key, raw, values, known);
        if (!known) {
            problem(number, "unknown key \"" + LegibleForMessage(key) + "\"");
            continue;
        }
        if (!taken) {
            problem(number, "bad " + key + " \"" + LegibleForMessage(raw) + "\"");
            continue;
        }
        // The stack takes one line for each of its SoundFonts.
        for (const std::string& earlier : seen) {
            if (key == "soundfont")
                break;
            if (earlier == key) {
                problem(number, key + " given twice");
                break;
            }
        }
        seen.push_back(key);
    }
    return values;
}

std::string FormatKeptValues(const KeptValues& values) {
    std::string text = kHeader;
    const auto line = [&text](const char* key, const std::string& value) {
        text += key;
        text += '=';
        text += value;
        text += '\n';
    };
    if (values.folder)
        line("folder", Escape(*values.folder));
    if (values.device)
        line("device", *values.device == MIDI_MAPPER ? "mapper" : std::to_string(*values.device));
    if (values.device_name)
        line("device_name", Escape(*values.device_name));
    if (values.palette)
        line("palette", std::to_string(*values.palette));
    if (values.volume)
        line("volume", std::to_string(*values.volume));
    if (values.repeat)
        line("repeat", SwitchWord(*values.repeat));
    if (values.play_through)
        line("play_through", SwitchWord(*values.play_through));
    if (values.fullscreen)
        line("video", *values.fullscreen ? "fullscreen" : "window");
    if (values.loop_mode)
        line("loop", LoopModeWord(*values.loop_mode));
    if (values.loop_count)
        line("loop_count", std::to_string(*values.loop_count));
    if (values.loop_fade_seconds)
        line("loop_fade", std::to_string(*values.loop_fade_seconds));
    for (const std::string& soundfont : values.synth.soundfonts)
        line("soundfont", Escape(soundfont));
    for (const auto& [key, value] : SynthSettingValues(values.synth))
        line(key.c_str(), value);
    return text;
}

std::string UpdateKeptText(std::string_view old_text, const KeptValues& changed,
                           const std::vector<std::string>& dropped) {
    // The changed settings' lines, as the whole file would have them.
    std::vector<std::pair<std::string, std::string>> lines;
    const std::string whole = FormatKeptValues(changed);
    std::string_view formatted = whole;
    while (!formatted.empty()) {
        const std::size_t end = formatted.find('\n');
        const std::string_view line = formatted.substr(0, end + 1);
        formatted.remove_prefix(line.size());
        if (std::string key = KeyOf(line.substr(0, line.size() - 1)); !key.empty())
            lines.emplace_back(std::move(key), std::string(line));
    }
    std::string text = old_text.empty() ? std::string(kHeader) : std::string();
    std::vector<bool> written(lines.size(), false);
    while (!old_text.empty()) {
        const std::size_t end = old_text.find('\n');
        const std::string_view line =
            old_text.substr(0, end == std::string_view::npos ? old_text.size() : end + 1);
        old_text.remove_prefix(line.size());
        const std::string key = KeyOf(line.substr(0, line.find_first_of("\r\n")));
        const auto found = std::find_if(lines.begin(), lines.end(),
                                        [&key](const auto& entry) { return entry.first == key; });
        if (found != lines.end()) {
            // A key given on several lines (the SoundFont stack) takes all
            // its new lines where its first old line stood.
            for (std::size_t i = 0; i < lines.size(); ++i) {
                if (lines[i].first != key || written[i])
                    continue;
                text += lines[i].second;
                written[i] = true;
            }
        } else if (key.empty() || std::find(dropped.begin(), dropped.end(), key) == dropped.end()) {
            text += line;
        }
    }
    if (!text.empty() && text.back() != '\n')
        text += '\n';
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (!written[i])
            text += lines[i].second;
    return text;
}
