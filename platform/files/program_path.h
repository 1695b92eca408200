// Parsing of program paths (drive-letter form, CP932 names) for the file
// functions of the platform layer.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

bool IsPathSeparator(char c);

// Index of the last separator of a CP932 path (a trail byte 0x5C is not
// one), or npos.
size_t LastSeparator(std::string_view path);

// The components of a path between separators, empty ones dropped.
std::vector<std::string_view> SplitComponents(std::string_view path);

// The current directory as Linux reports it, empty when it cannot be read.
std::string NativeCurrentDirectory();

// True when the native folder is the root of one of the program's drives,
// where Win32 lists no "." or "..".
bool IsDriveRoot(const std::string& native_folder);

}  // namespace platform
