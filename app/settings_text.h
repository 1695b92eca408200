// The text of the settings file: `key=value` lines, read into the settings
// they name and written back from them. Reading keeps every good line and
// names each bad one; it never fails as a whole.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "midi/loop_settings.h"
#include "platform/synth_config.h"

// What the program keeps between runs; a setting that is not there (never
// kept, or bad in the file) leaves the program's default.
struct KeptValues {
    std::optional<std::string> folder;       // the selector's folder, an absolute Linux path
    std::optional<std::uint32_t> device;     // the MIDI-out device id (MIDI_MAPPER or 0 and up)
    std::optional<std::string> device_name;  // its product name, to find it again
    std::optional<int> palette;              // the digit of nivraN.act
    std::optional<int> volume;               // 0 to 255
    std::optional<bool> repeat;
    std::optional<bool> play_through;
    std::optional<bool> fullscreen;  // false: a window
    std::optional<LoopMode> loop_mode;
    std::optional<int> loop_count;         // passes of a loop body, 1 to 99
    std::optional<int> loop_fade_seconds;  // 0 to 60
    // The SoundFont stack (one soundfont= line each, the top first) and the
    // synth's sound settings.
    platform::SynthConfig synth;

    bool operator==(const KeptValues&) const = default;
};

// Reads the file's text. Lines end in LF or CR LF; blank lines and lines
// starting with '#' are skipped. `problems` gets one entry ("line 3: unknown
// key \"colour\"") for each line that is not used: no '=', an unknown key, a
// value out of range, bytes that are not text, a key given twice (the later
// line counts), or a last line cut short (no line end).
KeptValues ParseKeptValues(std::string_view text, std::vector<std::string>* problems);

// The file's text for `values`: a comment line, then one line for each
// setting that is there, in a fixed order. ParseKeptValues gives the same
// values back.
std::string FormatKeptValues(const KeptValues& values);

// The file's text `old_text` with the settings `changed` holds written in:
// each one's line put where the file has its key (a later line of the same
// key removed) or added at the end, the lines of the keys in `dropped`
// removed, and every other line (comments, unknown keys, bad lines) kept as
// it was. An empty file starts with the comment line.
std::string UpdateKeptText(std::string_view old_text, const KeptValues& changed,
                           const std::vector<std::string>& dropped);

// A piece of the file's text fit for a message: printable ASCII kept, other
// bytes as %XX, long texts cut with "...".
std::string LegibleForMessage(std::string_view text);
