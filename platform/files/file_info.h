// Win32 attributes and find records from a Linux stat.
#pragma once

#include <sys/stat.h>

#include <string>

#include "platform/files.h"

namespace platform {

// FILE_ATTRIBUTE_* bits of a stat result.
DWORD AttributesOf(const struct stat& info);

// Fills a find record: attributes, times and size from `info` (or zeroes
// with FILE_ATTRIBUTE_NORMAL when null), and the program's name.
void FillFindData(const struct stat* info, const std::string& program_name, WIN32_FIND_DATAA* data);

}  // namespace platform
