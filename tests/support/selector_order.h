// The order in which the file selector lists a folder: ".", "..", the
// folders, then the songs and texts, each group in the file system's order.
// The cursor starts on "." (index 0).
#pragma once

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

namespace support {

inline bool ListedAsFile(const std::filesystem::path& name) {
    std::string ext = name.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return ext == ".MID" || ext == ".RCP" || ext == ".TXT";
}

// The names the selector lists for `folder`, in grid order; empty when the
// folder cannot be read.
inline std::vector<std::string> SelectorEntries(const std::filesystem::path& folder) {
    std::vector<std::string> folders = {".", ".."};
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_directory(error))
            folders.push_back(name);
        else if (ListedAsFile(entry.path()))
            files.push_back(name);
    }
    if (error)
        return {};
    folders.insert(folders.end(), files.begin(), files.end());
    return folders;
}

inline int IndexOf(const std::vector<std::string>& entries, const std::string& name) {
    auto found = std::find(entries.begin(), entries.end(), name);
    return found == entries.end() ? -1 : static_cast<int>(found - entries.begin());
}

// The entry's place in the grid, counting "." as 0; -1 when it is not listed.
inline int SelectorIndex(const std::filesystem::path& folder, const std::string& name) {
    return IndexOf(SelectorEntries(folder), name);
}

}  // namespace support
