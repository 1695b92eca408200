#include "platform/files/program_path.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/files/drive_table.h"

namespace platform {
namespace {

bool IsDriveLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool HasDrive(std::string_view path) {
    return path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == ':';
}

std::string JoinNative(const std::string& root, const std::vector<std::string>& names) {
    std::string out = root;
    for (const std::string& name : names) {
        if (!out.empty() && out.back() != '/')
            out += '/';
        out += name;
    }
    return out;
}

// The name on disk, inside `native_folder`, of one program component. A
// shortened name cannot be decoded: it is the entry that shortens to it.
std::string NativeComponent(const std::string& native_folder, std::string_view program_name) {
    if (IsShortAlias(program_name)) {
        struct CloseDir {
            void operator()(DIR* dir) const { closedir(dir); }
        };
        std::unique_ptr<DIR, CloseDir> dir(opendir(native_folder.c_str()));
        while (dirent* entry = dir ? readdir(dir.get()) : nullptr)
            if (NativeNameToProgram(entry->d_name) == program_name)
                return entry->d_name;
    }
    return ProgramNameToNative(program_name);
}

// Applies the program components to a stack of native names below `root`
// (empty: the current directory); ".." never climbs above the drive's root,
// as on Win32.
void ApplyComponents(const std::string& root, std::vector<std::string>& names,
                     std::string_view program_path) {
    for (std::string_view component : SplitComponents(program_path)) {
        if (component == ".")
            continue;
        if (component == "..") {
            if (!names.empty())
                names.pop_back();
            continue;
        }
        std::string folder = root.empty() && names.empty() ? "." : JoinNative(root, names);
        names.push_back(NativeComponent(folder, component));
    }
}

// The native names below the drive's mount point that lead to `native`.
std::vector<std::string> NamesBelow(const Drive& drive, std::string_view native) {
    std::string_view rest = native.substr(drive.mount_point == "/" ? 0 : drive.mount_point.size());
    std::vector<std::string> names;
    size_t start = 0;
    while (start < rest.size()) {
        size_t end = rest.find('/', start);
        if (end == std::string_view::npos)
            end = rest.size();
        if (end > start)
            names.emplace_back(rest.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

// The program's drive-letter form of an absolute native path.
std::string DriveForm(const std::string& native) {
    auto drives = CurrentDrives();
    const Drive& drive = DriveOfNativePath(*drives, native);
    std::string path{drive.letter, ':', '\\'};
    bool first = true;
    for (const std::string& name : NamesBelow(drive, native)) {
        if (!first)
            path += '\\';
        path += NativeNameToProgram(name);
        first = false;
    }
    return path;
}

}  // namespace

std::string ProgramPathOfNative(std::string_view native_path) {
    if (native_path.empty())
        return {};
    std::unique_ptr<char, decltype(&free)> resolved(
        realpath(std::string(native_path).c_str(), nullptr), &free);
    return resolved ? DriveForm(resolved.get()) : std::string();
}

bool IsPathSeparator(char c) {
    return c == '\\' || c == '/';
}

size_t LastSeparator(std::string_view path) {
    size_t last = std::string_view::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsCp932LeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) {
            ++i;
            continue;
        }
        if (IsPathSeparator(path[i]))
            last = i;
    }
    return last;
}

std::vector<std::string_view> SplitComponents(std::string_view path) {
    std::vector<std::string_view> components;
    size_t start = 0;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i < path.size() && IsCp932LeadByte(static_cast<unsigned char>(path[i])) &&
            i + 1 < path.size()) {
            ++i;
            continue;
        }
        if (i == path.size() || IsPathSeparator(path[i])) {
            if (i > start)
                components.push_back(path.substr(start, i - start));
            start = i + 1;
        }
    }
    return components;
}

std::string NativeCurrentDirectory() {
    std::unique_ptr<char, decltype(&free)> cwd(getcwd(nullptr, 0), &free);
    return cwd ? std::string(cwd.get()) : std::string();
}

bool IsDriveRoot(const std::string& native_folder) {
    std::unique_ptr<char, decltype(&free)> resolved(realpath(native_folder.c_str(), nullptr),
                                                    &free);
    if (!resolved)
        return false;
    auto drives = CurrentDrives();
    for (const Drive& drive : *drives)
        if (drive.mount_point == resolved.get())
            return true;
    return false;
}

std::string ToNativePath(std::string_view program_path) {
    auto drives = CurrentDrives();
    if (HasDrive(program_path)) {
        const Drive* drive = FindDrive(*drives, program_path[0]);
        if (!drive)
            return {};
        std::vector<std::string> names;
        ApplyComponents(drive->mount_point, names, program_path.substr(2));
        return JoinNative(drive->mount_point, names);
    }
    bool rooted = !program_path.empty() && IsPathSeparator(program_path[0]);
    bool climbs = false;
    for (std::string_view component : SplitComponents(program_path))
        climbs |= component == "..";
    if (!rooted && !climbs) {
        // Relative and going nowhere above: the kernel resolves it against
        // the current directory, which keeps long working paths usable.
        std::vector<std::string> names;
        ApplyComponents("", names, program_path);
        if (names.empty())
            return ".";
        return JoinNative("", names);
    }
    std::string cwd = NativeCurrentDirectory();
    if (cwd.empty()) {
        if (rooted)
            return {};
        // The current folder was deleted while the program was in it: it
        // has no name any more, but the kernel still resolves ".." from it,
        // so the user can go up and out.
        std::string relative = ".";
        for (std::string_view component : SplitComponents(program_path))
            if (component != ".")
                relative += "/" + (component == ".." ? std::string("..")
                                                     : NativeComponent(relative, component));
        return relative;
    }
    const Drive& drive = DriveOfNativePath(*drives, cwd);
    std::vector<std::string> names = rooted ? std::vector<std::string>() : NamesBelow(drive, cwd);
    ApplyComponents(drive.mount_point, names, program_path);
    return JoinNative(drive.mount_point, names);
}

// Win32 opens names without regard to case ("SONG.txt" opens SONG.TXT);
// when the exact name is missing, the folder is searched for one that
// differs only in case.
std::string FindNameIgnoringCase(const std::string& native_folder, std::string_view program_name) {
    if (program_name.find_first_of("*?") != std::string_view::npos)
        return {};
    struct CloseDir {
        void operator()(DIR* dir) const { closedir(dir); }
    };
    std::unique_ptr<DIR, CloseDir> dir(opendir(native_folder.c_str()));
    if (!dir)
        return {};
    while (dirent* entry = readdir(dir.get()))
        if (MatchesWildcard(program_name, NativeNameToProgram(entry->d_name)))
            return entry->d_name;
    return {};
}

FILE* OpenFile(const char* program_path, const char* mode) {
    if (!program_path || !mode)
        return nullptr;
    std::string native = ToNativePath(program_path);
    if (native.empty())
        return nullptr;
    FILE* file = std::fopen(native.c_str(), mode);
    if (file || errno != ENOENT || mode[0] != 'r')
        return file;
    std::string_view path(program_path);
    size_t separator = LastSeparator(path);
    std::string_view name = separator == std::string_view::npos ? path : path.substr(separator + 1);
    size_t native_separator = native.rfind('/');
    std::string folder =
        native_separator == std::string::npos ? "." : native.substr(0, native_separator + 1);
    if (name.empty() || name == "." || name == "..")
        return nullptr;
    std::string found = FindNameIgnoringCase(folder, name);
    if (found.empty())
        return nullptr;
    std::string retry = native_separator == std::string::npos ? found : folder + found;
    return std::fopen(retry.c_str(), mode);
}

}  // namespace platform

BOOL SetCurrentDirectoryA(LPCSTR path_name) {
    if (!path_name || !*path_name)
        return FALSE;
    std::string native = platform::ToNativePath(path_name);
    if (native.empty())
        return FALSE;
    return chdir(native.c_str()) == 0 ? TRUE : FALSE;
}

DWORD GetCurrentDirectoryA(DWORD buffer_length, LPSTR buffer) {
    std::string cwd = platform::NativeCurrentDirectory();
    if (cwd.empty())
        return 0;
    const std::string path = platform::DriveForm(cwd);
    if (path.size() + 1 > buffer_length || !buffer)
        return static_cast<DWORD>(path.size() + 1);
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
}
