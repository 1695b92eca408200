// Modules: the executable itself and shared libraries loaded at run time.
// A Win32 library name "name.dll" stands for the Linux library libname.so.
#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/kernel/executable_path.h"

#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

// The handle of the executable (dlopen of no file); the same one every time.
void* ExecutableHandle() {
    static void* handle = dlopen(nullptr, RTLD_NOW);
    return handle;
}

bool EndsWithDll(const std::string& name) {
    if (name.size() < 4)
        return false;
    std::string tail = name.substr(name.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    return tail == ".dll";
}

// "rcpcv.dll" -> "librcpcv.so"; any other name unchanged.
std::string LinuxLibraryName(const std::string& name) {
    if (!EndsWithDll(name))
        return name;
    std::string base = name.substr(0, name.size() - 4);
    std::transform(base.begin(), base.end(), base.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    return "lib" + base + ".so";
}

// The places to try for a library name, in order.
std::vector<std::string> Candidates(const char* file_name) {
    std::string name = file_name;
    size_t separator = name.find_last_of("\\/");
    if (separator != std::string::npos) {
        // A path: the library in that folder only.
        std::string folder = platform::ToNativePath(name.substr(0, separator + 1));
        if (!folder.empty() && folder.back() != '/')
            folder += '/';
        return {folder + LinuxLibraryName(name.substr(separator + 1))};
    }
    std::string linux_name = LinuxLibraryName(name);
    std::vector<std::string> candidates;
    std::string folder = platform::kernel::ExecutableFolder();
    if (!folder.empty())
        candidates.push_back(folder + "/" + linux_name);
    candidates.push_back(linux_name);  // the system's search path
    return candidates;
}

}  // namespace

HMODULE GetModuleHandleA(LPCSTR module_name) {
    if (module_name == nullptr)
        return static_cast<HMODULE>(ExecutableHandle());
    for (const std::string& candidate : Candidates(module_name)) {
        void* handle = dlopen(candidate.c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (handle != nullptr) {
            dlclose(handle);  // GetModuleHandleA takes no reference
            return static_cast<HMODULE>(handle);
        }
    }
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR file_name, DWORD size) {
    std::string native;
    if (module == nullptr || module == ExecutableHandle()) {
        native = platform::kernel::ExecutablePath();
    } else {
        link_map* map = nullptr;
        if (dlinfo(module, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr &&
            map->l_name != nullptr) {
            std::unique_ptr<char, decltype(&free)> resolved(realpath(map->l_name, nullptr), &free);
            native = resolved ? resolved.get() : map->l_name;
        }
    }
    if (native.empty() || file_name == nullptr || size == 0) {
        SetLastError(native.empty() ? ERROR_MOD_NOT_FOUND : ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::string path = platform::kernel::ToDriveLetterPath(native);
    if (path.size() >= size) {
        std::memcpy(file_name, path.data(), size - 1);
        file_name[size - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::memcpy(file_name, path.c_str(), path.size() + 1);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(path.size());
}

HMODULE LoadLibraryA(LPCSTR file_name) {
    if (file_name == nullptr || file_name[0] == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    for (const std::string& candidate : Candidates(file_name)) {
        if (void* handle = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL))
            return static_cast<HMODULE>(handle);
    }
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR proc_name) {
    if (module == nullptr || proc_name == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    void* symbol = dlsym(module, proc_name);
    if (symbol == nullptr) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(symbol);
}

BOOL FreeLibrary(HMODULE module) {
    if (module == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (module == ExecutableHandle())
        return TRUE;  // the executable stays
    return dlclose(module) == 0 ? TRUE : FALSE;
}
