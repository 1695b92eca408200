// Reads the NIVRA_MIDI_LOG recording: "<us> <hex bytes>" for messages and
// "<us> open ID", "close", "reset", "volume V" for device actions.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
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

// Follows a MIDI log as the program writes it, for tests that wait for a
// line before their next keys.
class MidiLogWatch {
public:
    explicit MidiLogWatch(std::filesystem::path path) : path_(std::move(path)) {}

    // The time (microseconds) of the first line read from here on whose text
    // after its time starts with `text` and that was written at or after
    // `since_us`; nothing while there is none yet. A line found is passed,
    // so the next call finds a later one.
    std::optional<std::uint64_t> Find(const std::string& text, std::uint64_t since_us) {
        ReadNewLines();
        for (; next_ < lines_.size(); ++next_) {
            const auto& [micros, rest] = lines_[next_];
            if (micros >= since_us && rest.starts_with(text))
                return lines_[next_++].first;
        }
        return std::nullopt;
    }

private:
    void ReadNewLines() {
        std::ifstream in(path_, std::ios::binary);
        in.seekg(static_cast<std::streamoff>(read_bytes_));
        std::string text;
        // Only whole lines: one still being written is read next time.
        while (std::getline(in, text) && !in.eof()) {
            read_bytes_ += text.size() + 1;
            const auto space = text.find(' ');
            if (space != std::string::npos)
                lines_.emplace_back(std::strtoull(text.c_str(), nullptr, 10),
                                    text.substr(space + 1));
        }
    }

    std::filesystem::path path_;
    std::size_t read_bytes_ = 0;
    std::vector<std::pair<std::uint64_t, std::string>> lines_;
    std::size_t next_ = 0;
};

inline int CountActions(const std::vector<MidiLogLine>& log, const std::string& action) {
    int count = 0;
    for (const MidiLogLine& line : log)
        count += line.action == action;
    return count;
}

}  // namespace e2e
