// The drive letters of the program, made from the system's mount table:
// C: is "/", and every further real mounted file system gets the next
// letter in mount-point order.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32_types.h"

namespace platform {

struct MountEntry {
    std::string source;
    std::string mount_point;
    std::string fs_type;
};

struct Drive {
    char letter;
    std::string mount_point;  // absolute, no trailing slash except for "/"
    UINT type;                // DRIVE_FIXED, DRIVE_REMOVABLE, ...
};

using DriveList = std::vector<Drive>;

// Entries of a /proc/self/mounts text, with its octal escapes undone.
std::vector<MountEntry> ParseMountTable(std::string_view text);

// Letters for the mounts: C: for "/", then D: ... Z: for the real file
// systems whose mount point `is_directory` accepts, sorted by mount point.
DriveList AssignDrives(const std::vector<MountEntry>& mounts,
                       bool (*is_directory)(const std::string& path));

// The drives as last read from the system (read on first use).
std::shared_ptr<const DriveList> CurrentDrives();
// Reads the mount table again (drives come and go).
std::shared_ptr<const DriveList> RefreshDrives();

// The drive with `letter` (either case), or null.
const Drive* FindDrive(const DriveList& drives, char letter);
// The drive whose mount point holds the absolute native `path` (the
// deepest one); C: when no other does.
const Drive& DriveOfNativePath(const DriveList& drives, std::string_view path);

}  // namespace platform
