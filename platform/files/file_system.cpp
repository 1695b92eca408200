// Attributes, drives and path splitting of the platform's file calls.
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/files/drive_table.h"
#include "platform/files/file_info.h"
#include "platform/files/program_path.h"

DWORD GetFileAttributesA(LPCSTR file_name) {
    if (!file_name || !*file_name)
        return INVALID_FILE_ATTRIBUTES;
    std::string native = platform::ToNativePath(file_name);
    struct stat info;
    if (native.empty() || stat(native.c_str(), &info) != 0)
        return INVALID_FILE_ATTRIBUTES;
    return platform::AttributesOf(info);
}

DWORD GetLogicalDrives() {
    auto drives = platform::RefreshDrives();
    DWORD mask = 0;
    for (const platform::Drive& drive : *drives)
        mask |= 1u << (drive.letter - 'A');
    return mask;
}

UINT GetDriveTypeA(LPCSTR root_path_name) {
    auto drives = platform::CurrentDrives();
    const platform::Drive* drive = nullptr;
    if (!root_path_name) {
        std::string cwd = platform::NativeCurrentDirectory();
        drive = &platform::DriveOfNativePath(*drives, cwd);
    } else if (root_path_name[0] && root_path_name[1] == ':') {
        drive = platform::FindDrive(*drives, root_path_name[0]);
    }
    if (!drive)
        return DRIVE_NO_ROOT_DIR;
    struct stat info;
    if (stat(drive->mount_point.c_str(), &info) != 0)
        return DRIVE_NO_ROOT_DIR;
    return drive->type;
}

namespace {

void CopyPart(char* out, size_t capacity, std::string_view part) {
    if (!out)
        return;
    size_t n = std::min(part.size(), capacity - 1);
    // Keep a double-byte character whole when the part is cut.
    if (n < part.size()) {
        size_t whole = 0;
        while (whole < n) {
            size_t step =
                platform::IsCp932LeadByte(static_cast<unsigned char>(part[whole])) ? 2 : 1;
            if (whole + step > n)
                break;
            whole += step;
        }
        n = whole;
    }
    if (n > 0)  // an empty part may have no data pointer at all
        std::memcpy(out, part.data(), n);
    out[n] = '\0';
}

// Index of the last '.' of a CP932 name (a trail byte 0x2E does not occur,
// but lead bytes are still stepped over), or npos.
size_t LastDot(std::string_view name) {
    size_t last = std::string_view::npos;
    for (size_t i = 0; i < name.size(); ++i) {
        if (platform::IsCp932LeadByte(static_cast<unsigned char>(name[i])) && i + 1 < name.size()) {
            ++i;
            continue;
        }
        if (name[i] == '.')
            last = i;
    }
    return last;
}

}  // namespace

void _splitpath(const char* path, char* drive, char* dir, char* fname, char* ext) {
    std::string_view rest = path ? std::string_view(path) : std::string_view();
    std::string_view drive_part;
    if (rest.size() >= 2 && rest[1] == ':') {
        drive_part = rest.substr(0, 2);
        rest.remove_prefix(2);
    }
    size_t separator = platform::LastSeparator(rest);
    std::string_view dir_part =
        separator == std::string_view::npos ? std::string_view() : rest.substr(0, separator + 1);
    std::string_view name = rest.substr(dir_part.size());
    size_t dot = LastDot(name);
    std::string_view fname_part = dot == std::string_view::npos ? name : name.substr(0, dot);
    std::string_view ext_part =
        dot == std::string_view::npos ? std::string_view() : name.substr(dot);
    CopyPart(drive, _MAX_DRIVE, drive_part);
    CopyPart(dir, _MAX_DIR, dir_part);
    CopyPart(fname, _MAX_FNAME, fname_part);
    CopyPart(ext, _MAX_EXT, ext_part);
}
