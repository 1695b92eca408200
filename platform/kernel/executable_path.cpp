#include "platform/kernel/executable_path.h"

#include "platform/files.h"

#include <unistd.h>

namespace platform::kernel {

std::string ExecutablePath() {
    // readlink does not say how long the link is: a result that fills the
    // buffer may be cut, so the buffer grows until the whole path fits.
    for (size_t size = 256;; size *= 2) {
        std::string path(size, '\0');
        ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
        if (length <= 0)
            return {};
        if (static_cast<size_t>(length) < path.size()) {
            path.resize(static_cast<size_t>(length));
            return path;
        }
    }
}

std::string ExecutableFolder() {
    std::string path = ExecutablePath();
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string ToDriveLetterPath(std::string_view native_path) {
    std::string result = "C:";
    size_t start = 0;
    while (start < native_path.size()) {
        size_t slash = native_path.find('/', start);
        if (slash == std::string_view::npos)
            slash = native_path.size();
        if (slash > start) {
            result += '\\';
            result += platform::NativeNameToProgram(native_path.substr(start, slash - start));
        }
        start = slash + 1;
    }
    if (result.size() == 2)
        result += '\\';
    return result;
}

}  // namespace platform::kernel
