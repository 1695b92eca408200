#include "platform/files/file_info.h"

#include <cstring>

namespace platform {
namespace {

// Seconds between 1601-01-01 and 1970-01-01.
constexpr std::uint64_t kEpochDifference_s = 11644473600ull;

FILETIME ToFileTime(const timespec& time) {
    std::uint64_t ticks =
        (static_cast<std::uint64_t>(time.tv_sec) + kEpochDifference_s) * 10000000ull +
        static_cast<std::uint64_t>(time.tv_nsec) / 100;
    return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

}  // namespace

DWORD AttributesOf(const struct stat& info) {
    if (S_ISDIR(info.st_mode))
        return FILE_ATTRIBUTE_DIRECTORY;
    DWORD attributes = FILE_ATTRIBUTE_ARCHIVE;
    if ((info.st_mode & S_IWUSR) == 0)
        attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes;
}

void FillFindData(const struct stat* info, const std::string& program_name,
                  WIN32_FIND_DATAA* data) {
    std::memset(data, 0, sizeof *data);
    if (info) {
        data->dwFileAttributes = AttributesOf(*info);
        data->ftCreationTime = ToFileTime(info->st_ctim);
        data->ftLastAccessTime = ToFileTime(info->st_atim);
        data->ftLastWriteTime = ToFileTime(info->st_mtim);
        if (!S_ISDIR(info->st_mode)) {
            std::uint64_t size = static_cast<std::uint64_t>(info->st_size);
            data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
            data->nFileSizeLow = static_cast<DWORD>(size);
        }
    } else {
        data->dwFileAttributes = FILE_ATTRIBUTE_NORMAL;
    }
    std::memcpy(data->cFileName, program_name.c_str(),
                std::min<size_t>(program_name.size() + 1, MAX_PATH));
    data->cFileName[MAX_PATH - 1] = '\0';
}

}  // namespace platform
