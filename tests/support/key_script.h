// Builds the program's key scripts: keys and screenshots at rising times,
// each `gap_ms` after the line before unless told otherwise, and the key
// presses that walk the file selector's grid (five entries to a row; Right
// and Left wrap from row to row).
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/nivra_process.h"

namespace support {

class KeyScript {
public:
    explicit KeyScript(int start_ms = 0, int gap_ms = 80) : at_ms_(start_ms), gap_ms_(gap_ms) {}

    // A line `gap_ms` after the one before (the builder's gap when negative).
    KeyScript& Key(const std::string& what, int gap_ms = -1) {
        at_ms_ += gap_ms < 0 ? gap_ms_ : gap_ms;
        lines_.push_back({at_ms_, what});
        return *this;
    }
    KeyScript& Keys(const std::string& key, int times) {
        for (int i = 0; i < times; ++i)
            Key(key);
        return *this;
    }
    KeyScript& Shot(const std::filesystem::path& file, int gap_ms = 0) {
        return Key("SHOT " + file.string(), gap_ms);
    }
    KeyScript& Wait(int ms) {
        at_ms_ += ms;
        return *this;
    }
    // Holds the lines after this one until the MIDI log has a line starting
    // with `text`; they then keep their distance from it.
    KeyScript& AwaitLog(const std::string& text) {
        lines_.push_back({at_ms_, e2e::kAwaitPrefix + text});
        return *this;
    }
    // Holds the lines after this one until the song chosen has started.
    KeyScript& AwaitSongStart() { return AwaitLog(e2e::kSongStartLine); }
    // Single steps from list position `from` to `to`.
    KeyScript& Steps(int from, int to) {
        return Keys(to >= from ? "RIGHT" : "LEFT", std::abs(to - from));
    }
    // From `from` to `to` by whole rows first, then single steps.
    KeyScript& MoveCursor(int from, int to) {
        const int rows = std::abs(to - from) / 5;
        Keys(to >= from ? "DOWN" : "UP", rows);
        return Steps(from + (to >= from ? 5 : -5) * rows, to);
    }

    // The time of the last line (or of the end of the last wait).
    int Now() const { return at_ms_; }
    const std::vector<e2e::ScriptLine>& Lines() const { return lines_; }

private:
    int at_ms_;
    int gap_ms_;
    std::vector<e2e::ScriptLine> lines_;
};

}  // namespace support
