#include "platform/files/drive_table.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <mutex>
#include <sstream>

#include "platform/files.h"

namespace platform {
namespace {

// Undoes the \ooo escapes the kernel writes for spaces, tabs and newlines.
std::string Unescape(std::string_view field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool octal = true;
            for (size_t k = 1; k <= 3; ++k)
                if (field[i + k] < '0' || field[i + k] > '7')
                    octal = false;
            if (octal) {
                out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                         (field[i + 3] - '0'));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

constexpr std::array kNetworkTypes{"nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs", "afs"};
constexpr std::array kVirtualShareTypes{"9p", "virtiofs"};

bool IsOneOf(std::string_view type, const auto& list) {
    return std::find(list.begin(), list.end(), type) != list.end();
}

// Block devices and shares hold files; everything else (proc, sysfs,
// tmpfs, cgroups, overlay roots, snap images) is left out.
bool IsRealFileSystem(const MountEntry& mount) {
    if (IsOneOf(mount.fs_type, kNetworkTypes) || IsOneOf(mount.fs_type, kVirtualShareTypes))
        return true;
    if (!StartsWith(mount.source, "/dev/"))
        return false;
    if (StartsWith(mount.source, "/dev/loop") && mount.fs_type == "squashfs")
        return false;
    return true;
}

bool SysfsSaysRemovable(const std::string& source) {
    std::string device = source.substr(source.rfind('/') + 1);
    if (device.empty())
        return false;
    for (const char* suffix : {"/removable", "/../removable"}) {
        std::ifstream flag("/sys/class/block/" + device + suffix);
        char value = 0;
        if (flag >> value)
            return value == '1';
    }
    return false;
}

UINT DriveTypeOf(const MountEntry& mount) {
    if (IsOneOf(mount.fs_type, kNetworkTypes))
        return DRIVE_REMOTE;
    if (mount.fs_type == "iso9660" || mount.fs_type == "udf" || StartsWith(mount.source, "/dev/sr"))
        return DRIVE_CDROM;
    if (StartsWith(mount.mount_point, "/media/") || StartsWith(mount.mount_point, "/run/media/") ||
        SysfsSaysRemovable(mount.source))
        return DRIVE_REMOVABLE;
    return DRIVE_FIXED;
}

bool IsDirectoryOnDisk(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::shared_ptr<const DriveList> ReadDrives() {
    std::ifstream file("/proc/self/mounts");
    std::stringstream text;
    text << file.rdbuf();
    return std::make_shared<const DriveList>(
        AssignDrives(ParseMountTable(text.str()), IsDirectoryOnDisk));
}

std::mutex drives_lock;
std::shared_ptr<const DriveList> drives;

}  // namespace

std::vector<MountEntry> ParseMountTable(std::string_view text) {
    std::vector<MountEntry> mounts;
    std::istringstream lines{std::string(text)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string source, mount_point, fs_type;
        if (!(fields >> source >> mount_point >> fs_type))
            continue;
        mounts.push_back({Unescape(source), Unescape(mount_point), Unescape(fs_type)});
    }
    return mounts;
}

DriveList AssignDrives(const std::vector<MountEntry>& mounts,
                       bool (*is_directory)(const std::string& path)) {
    DriveList result{{'C', "/", DRIVE_FIXED}};
    // A later mount on the same point hides the earlier one.
    std::vector<MountEntry> visible;
    for (const MountEntry& mount : mounts) {
        std::erase_if(visible,
                      [&](const MountEntry& m) { return m.mount_point == mount.mount_point; });
        visible.push_back(mount);
    }
    std::vector<const MountEntry*> real;
    for (const MountEntry& mount : visible) {
        if (mount.mount_point.empty() || mount.mount_point[0] != '/' || mount.mount_point == "/")
            continue;
        if (!IsRealFileSystem(mount) || !is_directory(mount.mount_point))
            continue;
        real.push_back(&mount);
    }
    std::sort(real.begin(), real.end(), [](const MountEntry* a, const MountEntry* b) {
        return a->mount_point < b->mount_point;
    });
    char letter = 'D';
    for (const MountEntry* mount : real) {
        if (letter > 'Z')
            break;
        std::string point = mount->mount_point;
        while (point.size() > 1 && point.back() == '/')
            point.pop_back();
        result.push_back({letter++, point, DriveTypeOf(*mount)});
    }
    return result;
}

std::shared_ptr<const DriveList> CurrentDrives() {
    std::lock_guard<std::mutex> hold(drives_lock);
    if (!drives)
        drives = ReadDrives();
    return drives;
}

std::shared_ptr<const DriveList> RefreshDrives() {
    auto fresh = ReadDrives();
    std::lock_guard<std::mutex> hold(drives_lock);
    drives = fresh;
    return drives;
}

const Drive* FindDrive(const DriveList& list, char letter) {
    if (letter >= 'a' && letter <= 'z')
        letter = static_cast<char>(letter - 'a' + 'A');
    for (const Drive& drive : list)
        if (drive.letter == letter)
            return &drive;
    return nullptr;
}

const Drive& DriveOfNativePath(const DriveList& list, std::string_view path) {
    const Drive* best = &list.front();
    size_t best_length = 0;
    for (const Drive& drive : list) {
        const std::string& point = drive.mount_point;
        if (point == "/")
            continue;
        bool inside =
            StartsWith(path, point) && (path.size() == point.size() || path[point.size()] == '/');
        if (inside && point.size() > best_length) {
            best = &drive;
            best_length = point.size();
        }
    }
    return *best;
}

}  // namespace platform
