#include "platform/kernel.h"

std::string GetProgramPath() {
    // A path that fills the buffer may have been cut: ask again with more room.
    for (DWORD size = MAX_PATH;; size *= 2) {
        std::string path(size, '\0');
        const DWORD length = GetModuleFileNameA(nullptr, path.data(), size);
        if (length == 0)
            return {};
        if (length < size) {
            path.resize(length);
            return path;
        }
    }
}
