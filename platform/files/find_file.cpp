// Directory search in Win32's shape over opendir/readdir: names in the file
// system's order, "." and ".." first wherever the folder is not a drive's
// root, every name in the program's CP932 form.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

#include <cstring>
#include <mutex>
#include <set>

#include "platform/files.h"
#include "platform/files/file_info.h"
#include "platform/files/program_path.h"

namespace {

struct FindSearch {
    DIR* dir = nullptr;
    std::string pattern;
    std::vector<std::string> pending;  // "." and "..", handed out first
    ~FindSearch() {
        if (dir)
            closedir(dir);
    }
};

// Live searches, so that a stale or doubled FindClose is refused instead of
// freeing twice.
std::mutex searches_lock;
std::set<FindSearch*> searches;

bool IsWildcard(std::string_view pattern) {
    return pattern.find_first_of("*?") != std::string_view::npos;
}

// Fills `data` for the native `name` inside the open folder; false when
// the name cannot be shown to the program (too long in its CP932 form).
bool FillFromEntry(int dir_fd, const std::string& native_name, const std::string& program_name,
                   WIN32_FIND_DATAA* data) {
    if (program_name.size() >= MAX_PATH)
        return false;
    struct stat info;
    bool known = fstatat(dir_fd, native_name.c_str(), &info, 0) == 0 ||
                 fstatat(dir_fd, native_name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
    platform::FillFindData(known ? &info : nullptr, program_name, data);
    return true;
}

// The next entry of the search that matches, or false at the end.
bool NextMatch(FindSearch& search, WIN32_FIND_DATAA* data) {
    int dir_fd = dirfd(search.dir);
    while (!search.pending.empty()) {
        std::string name = search.pending.front();
        search.pending.erase(search.pending.begin());
        if (platform::MatchesWildcard(search.pattern, name) &&
            FillFromEntry(dir_fd, name, name, data))
            return true;
    }
    while (dirent* entry = readdir(search.dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        std::string program_name = platform::NativeNameToProgram(entry->d_name);
        if (!platform::MatchesWildcard(search.pattern, program_name))
            continue;
        if (FillFromEntry(dir_fd, entry->d_name, program_name, data))
            return true;
    }
    return false;
}

}  // namespace

HANDLE FindFirstFileA(LPCSTR file_name, LPWIN32_FIND_DATAA find_data) {
    if (!file_name || !find_data || !*file_name)
        return INVALID_HANDLE_VALUE;
    std::string_view spec(file_name);
    size_t separator = platform::LastSeparator(spec);
    std::string_view folder =
        separator == std::string_view::npos ? std::string_view() : spec.substr(0, separator + 1);
    std::string_view pattern = spec.substr(folder.size());
    if (folder.empty() && spec.size() >= 2 && spec[1] == ':') {
        folder = spec.substr(0, 2);  // "D:NAME" searches in D:'s root
        pattern = spec.substr(2);
    }
    if (pattern.empty())
        return INVALID_HANDLE_VALUE;
    std::string native_folder = folder.empty() ? std::string(".") : platform::ToNativePath(folder);
    if (native_folder.empty())
        return INVALID_HANDLE_VALUE;

    auto search = std::make_unique<FindSearch>();
    search->dir = opendir(native_folder.c_str());
    if (!search->dir)
        return INVALID_HANDLE_VALUE;
    search->pattern = pattern;
    std::string native_name = platform::ProgramNameToNative(pattern);
    bool exact = !IsWildcard(pattern) &&
                 faccessat(dirfd(search->dir), native_name.c_str(), F_OK, AT_SYMLINK_NOFOLLOW) == 0;
    if (exact) {
        // One existing name: look it up directly rather than reading the
        // folder; there is nothing more to hand out after it.
        bool special = pattern == "." || pattern == "..";
        if (special && platform::IsDriveRoot(native_folder))
            return INVALID_HANDLE_VALUE;
        if (!FillFromEntry(dirfd(search->dir), native_name, std::string(pattern), find_data))
            return INVALID_HANDLE_VALUE;
        search->pattern.clear();
    } else {
        // A pattern, or a name whose case differs from the one on disk.
        if (!platform::IsDriveRoot(native_folder))
            search->pending = {".", ".."};
        if (!NextMatch(*search, find_data))
            return INVALID_HANDLE_VALUE;
    }
    std::lock_guard<std::mutex> hold(searches_lock);
    searches.insert(search.get());
    return search.release();
}

BOOL FindNextFileA(HANDLE find_file, LPWIN32_FIND_DATAA find_data) {
    auto* search = static_cast<FindSearch*>(find_file);
    {
        std::lock_guard<std::mutex> hold(searches_lock);
        if (!searches.contains(search))
            return FALSE;
    }
    if (!find_data || search->pattern.empty())
        return FALSE;
    return NextMatch(*search, find_data) ? TRUE : FALSE;
}

BOOL FindClose(HANDLE find_file) {
    auto* search = static_cast<FindSearch*>(find_file);
    {
        std::lock_guard<std::mutex> hold(searches_lock);
        if (searches.erase(search) == 0)
            return FALSE;
    }
    delete search;
    return TRUE;
}
