// Key scripts for the first-run tests: the selector helpers and the reading
// of a key file kept as the program takes it.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/nivra_process.h"
#include "tests/support/key_script.h"
#include "tests/support/selector_order.h"

namespace first_run {

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
