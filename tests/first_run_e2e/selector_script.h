// Builds key scripts that walk the file selector the way a user would: the
// grid lists ".", "..", the sub-folders, then songs and texts in the file
// system's order, five entries to a row, with the cursor starting on ".".
#pragma once

#include <dirent.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../e2e_support/nivra_process.h"

namespace first_run {

// The names the selector lists for `folder`, in grid order.
inline std::vector<std::string> SelectorEntries(const std::filesystem::path& folder) {
    std::vector<std::string> folders = {".", ".."};
    std::vector<std::string> files;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr)
        return {};
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        if (std::filesystem::is_directory(folder / name)) {
            folders.push_back(name);
            continue;
        }
        std::string extension = std::filesystem::path(name).extension().string();
        for (char& c : extension)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (extension == ".MID" || extension == ".RCP" || extension == ".TXT")
            files.push_back(name);
    }
    closedir(dir);
    folders.insert(folders.end(), files.begin(), files.end());
    return folders;
}

inline int IndexOf(const std::vector<std::string>& entries, const std::string& name) {
    auto found = std::find(entries.begin(), entries.end(), name);
    return found == entries.end() ? -1 : static_cast<int>(found - entries.begin());
}

// Script lines at rising times; every key waits `gap_ms` after the last one.
class KeyScript {
public:
    explicit KeyScript(int start_ms) : at_ms_(start_ms) {}

    void Key(const std::string& key, int gap_ms = 80) {
        at_ms_ += gap_ms;
        lines_.push_back({at_ms_, key});
    }
    void Wait(int ms) { at_ms_ += ms; }
    void Shot(const std::filesystem::path& file, int gap_ms = 0) {
        at_ms_ += gap_ms;
        lines_.push_back({at_ms_, "SHOT " + file.string()});
    }
    // Moves the selector cursor from list index `from` to `to` (Down is five
    // entries, Right one, each wrapping to the next row).
    void MoveCursor(int from, int to) {
        const bool forward = to >= from;
        int distance = forward ? to - from : from - to;
        for (; distance >= 5; distance -= 5)
            Key(forward ? "DOWN" : "UP");
        for (; distance > 0; --distance)
            Key(forward ? "RIGHT" : "LEFT");
    }
    int Now() const { return at_ms_; }
    const std::vector<e2e::ScriptLine>& Lines() const { return lines_; }

private:
    int at_ms_;
    std::vector<e2e::ScriptLine> lines_;
};

// Reads a key file as the program takes it, with `@SHOT@` replaced by `shot`.
inline std::vector<e2e::ScriptLine> ReadKeyFile(const std::filesystem::path& file,
                                                const std::filesystem::path& shot) {
    std::vector<e2e::ScriptLine> lines;
    std::ifstream in(file);
    std::string text;
    while (std::getline(in, text)) {
        const auto first = text.find_first_not_of(" \t");
        if (first == std::string::npos || text[first] == '#')
            continue;
        const auto space = text.find(' ', first);
        if (space == std::string::npos)
            continue;
        std::string what = text.substr(space + 1);
        if (const auto mark = what.find("@SHOT@"); mark != std::string::npos)
            what.replace(mark, 6, shot.string());
        lines.push_back({std::stoi(text.substr(first, space - first)), what});
    }
    return lines;
}

}  // namespace first_run
