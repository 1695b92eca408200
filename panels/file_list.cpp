#include "panels/file_list.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/files.h"

namespace {

// Whether a found entry is a folder. The search has already read each
// entry's attributes, so asking again by name would double the cost of a
// large folder. Only an entry the search could not read (it reports plain
// FILE_ATTRIBUTE_NORMAL) is looked up by its bare name against the current
// directory, where the failure value (all bits) passes as a folder.
bool IsFolder(const WIN32_FIND_DATAA& found) {
    DWORD attributes = found.dwFileAttributes;
    if (attributes == FILE_ATTRIBUTE_NORMAL)
        attributes = GetFileAttributesA(found.cFileName);
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

void CFileList::ListMatching(const char* folder, const char* pattern, int clear_first) {
    List(folder, pattern, clear_first, false);
}

void CFileList::ListFolders(const char* folder, int clear_first) {
    List(folder, "*.*", clear_first, true);
}

void CFileList::List(const char* folder, const char* pattern, int clear_first, bool folders_only) {
    if (clear_first)
        names.RemoveAll();
    // The search specification: folder, a backslash unless it ends in one,
    // then the pattern, within MAX_PATH; a longer one finds nothing.
    char spec[MAX_PATH];
    size_t folder_length = std::strlen(folder);
    bool needs_separator = folder_length > 0 && folder[folder_length - 1] != '\\';
    size_t total = folder_length + (needs_separator ? 1 : 0) + std::strlen(pattern);
    if (total >= sizeof spec)
        return;
    std::strcpy(spec, folder);
    if (needs_separator)
        std::strcat(spec, "\\");
    std::strcat(spec, pattern);

    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(spec, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    // The search is closed also when a name cannot be stored.
    struct SearchCloser {
        HANDLE handle;
        ~SearchCloser() { FindClose(handle); }
    } closer{search};
    // Names join the array in one step at the end: growing it name by name
    // copies the whole pointer array each time.
    std::vector<std::string> found_names;
    do {
        if (folders_only && !IsFolder(found))
            continue;
        found_names.emplace_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    std::uint32_t first = names.GetCount();
    names.SetSizeNew(first + static_cast<std::uint32_t>(found_names.size()));
    for (size_t i = 0; i < found_names.size(); ++i)
        names.GetAt(first + static_cast<std::uint32_t>(i))->Assign(found_names[i].c_str());
}

std::string CurrentDirectory() {
    std::string directory(MAX_PATH, '\0');
    DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(directory.size()), directory.data());
    if (length >= directory.size()) {
        directory.assign(length, '\0');
        length = GetCurrentDirectoryA(static_cast<DWORD>(directory.size()), directory.data());
    }
    directory.resize(length < directory.size() ? length : 0);
    return directory;
}
