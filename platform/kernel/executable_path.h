// Where the running executable is, natively and in the program's
// drive-letter form.
#pragma once

#include <string>
#include <string_view>

namespace platform::kernel {

// The executable's absolute Linux path (empty if it cannot be read).
std::string ExecutablePath();
// The folder of the executable, without a trailing slash.
std::string ExecutableFolder();
// An absolute Linux path in the program's form: C: is the root, each name
// as the file functions show it ("/a/b" -> "C:\a\b").
std::string ToDriveLetterPath(std::string_view native_path);

}  // namespace platform::kernel
