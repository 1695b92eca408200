// Keys that move the file selector's cursor from "." (where it starts) to a
// named entry. The grid lists ".", "..", the folders, then the songs and
// texts, each group in the file system's order, and RIGHT steps through it
// entry by entry, wrapping to the next row.
#pragma once

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/e2e_support/nivra_process.h"

namespace e2e {

inline bool ListedAsFile(const std::filesystem::path& name) {
    std::string ext = name.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return ext == ".MID" || ext == ".RCP" || ext == ".TXT";
}

// The entry's place in the grid, counting "." as 0; -1 when it is not listed.
inline int SelectorIndex(const std::filesystem::path& folder, const std::string& name) {
    std::vector<std::string> folders, files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string entry_name = entry.path().filename().string();
        if (entry.is_directory())
            folders.push_back(entry_name);
        else if (ListedAsFile(entry.path()))
            files.push_back(entry_name);
    }
    std::vector<std::string> grid = {".", ".."};
    grid.insert(grid.end(), folders.begin(), folders.end());
    grid.insert(grid.end(), files.begin(), files.end());
    auto found = std::find(grid.begin(), grid.end(), name);
    return found == grid.end() ? -1 : static_cast<int>(found - grid.begin());
}

// Script lines from `at_ms` on, `step_ms` apart, that move the cursor from one
// entry to another of the same listing; returns the time after the last key.
inline int AppendCursorMoves(std::vector<ScriptLine>& script, int at_ms, int step_ms, int from,
                             int to) {
    const char* key = to >= from ? "RIGHT" : "LEFT";
    for (int i = std::min(from, to); i < std::max(from, to); ++i, at_ms += step_ms)
        script.push_back({at_ms, key});
    return at_ms;
}

}  // namespace e2e
