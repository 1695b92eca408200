// The running program's own path, however long it is.
#pragma once

#include <string>

// The executable's path in the program's drive-letter form, from
// GetModuleFileNameA with a buffer grown until the whole path fits; empty
// when the system cannot tell it.
std::string GetProgramPath();
