#include "app/start_paths.h"

#include "platform/files.h"

namespace {

// A Linux path's folder and last name ("a/b.mid": "a" and "b.mid"; a bare
// name lies in "."). Trailing slashes are no part of the name.
void SplitNativePath(std::string path, std::string& folder, std::string& name) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const size_t slash = path.rfind('/');
    folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    name = slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

StartPaths ResolveStartPaths(const std::vector<std::string>& native_paths) {
    StartPaths start;
    std::string first_folder;
    for (const std::string& native : native_paths) {
        const std::string whole = platform::ProgramPathOfNative(native);
        const DWORD attributes =
            whole.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(whole.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES)
            continue;
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (first_folder.empty())
                first_folder = whole;
            continue;
        }
        // The song keeps the name it is listed by, also when it is a link.
        std::string native_folder, native_name;
        SplitNativePath(native, native_folder, native_name);
        const std::string folder = platform::ProgramPathOfNative(native_folder);
        if (!folder.empty())
            start.songs.push_back({folder, platform::NativeNameToProgram(native_name)});
    }
    start.folder = start.songs.empty() ? first_folder : start.songs.front().folder;
    return start;
}
