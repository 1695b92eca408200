// Reads the NIVRA_MIDI_LOG recording: "<us> <hex bytes>" for messages and
// "<us> open ID", "close", "reset", "volume V" for device actions.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace e2e {

struct MidiLogLine {
    std::uint64_t micros = 0;
    std::string action;               // "open", "close", "reset", "volume" or "" for a message
    std::string argument;             // the device id or volume of an action
    std::vector<std::uint8_t> bytes;  // a message's bytes
};

inline std::vector<MidiLogLine> ReadMidiLog(const std::filesystem::path& path) {
    std::vector<MidiLogLine> lines;
    std::ifstream in(path);
    std::string text;
    while (std::getline(in, text)) {
        std::istringstream words(text);
        MidiLogLine line;
        std::string word;
        if (!(words >> line.micros) || !(words >> word))
            continue;
        if (word == "open" || word == "close" || word == "reset" || word == "volume") {
            line.action = word;
            words >> line.argument;
        } else {
            do
                line.bytes.push_back(static_cast<std::uint8_t>(std::stoul(word, nullptr, 16)));
            while (words >> word);
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

// The note-on messages (velocity above 0) of a log, in order.
inline std::vector<MidiLogLine> NoteOns(const std::vector<MidiLogLine>& log) {
    std::vector<MidiLogLine> notes;
    for (const MidiLogLine& line : log)
        if (line.bytes.size() == 3 && (line.bytes[0] & 0xF0) == 0x90 && line.bytes[2] > 0)
            notes.push_back(line);
    return notes;
}

inline int CountActions(const std::vector<MidiLogLine>& log, const std::string& action) {
    int count = 0;
    for (const MidiLogLine& line : log)
        count += line.action == action;
    return count;
}

}  // namespace e2e
