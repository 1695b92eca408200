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

// The marker the list shows before a song with this name, or 0 when the
// name is not a song's: the a of Standard MIDI Files, the i of RCP files,
// the u of RIFF-wrapped ones.
inline char SongMarker(const std::filesystem::path& name) {
    std::string ext = name.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    for (const char* smf : {".MID", ".MIDI", ".SMF", ".KAR"})
        if (ext == smf)
            return '\xB1';
    for (const char* rcp : {".RCP", ".R36", ".G18", ".G36"})
        if (ext == rcp)
            return '\xB2';
    return ext == ".RMI" ? '\xB3' : 0;
}

inline bool ListedAsFile(const std::filesystem::path& name) {
    std::string ext = name.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return SongMarker(name) != 0 || ext == ".TXT";
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
