// The version block of the program's executable, made from the project
// version. Its layout follows Win32's: a VS_VERSIONINFO header with the key
// "VS_VERSION_INFO" and the fixed file information as its value.
#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/kernel/executable_path.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

struct VersionBlock {
    WORD wLength;
    WORD wValueLength;
    WORD wType;
    char16_t szKey[16];  // "VS_VERSION_INFO" and its terminator
    WORD padding;        // aligns the value to 32 bits
    VS_FIXEDFILEINFO value;
};

constexpr char16_t kVersionKey[16] = u"VS_VERSION_INFO";

VersionBlock ProgramVersionBlock() {
    VersionBlock block{};
    block.wLength = sizeof(VersionBlock);
    block.wValueLength = sizeof(VS_FIXEDFILEINFO);
    std::memcpy(block.szKey, kVersionKey, sizeof block.szKey);
    VS_FIXEDFILEINFO& info = block.value;
    info.dwSignature = VS_FFI_SIGNATURE;
    info.dwStrucVersion = VS_FFI_STRUCVERSION;
    info.dwFileVersionMS = (static_cast<DWORD>(NIVRA_VERSION_MAJOR) << 16) | NIVRA_VERSION_MINOR;
    info.dwFileVersionLS = static_cast<DWORD>(NIVRA_VERSION_BUILD) << 16;
    info.dwProductVersionMS = info.dwFileVersionMS;
    info.dwProductVersionLS = info.dwFileVersionLS;
    info.dwFileFlagsMask = 0x3F;
    info.dwFileOS = VOS_NT_WINDOWS32;
    info.dwFileType = VFT_APP;
    return block;
}

// True when the program path names the running executable.
bool IsProgramExecutable(LPCSTR file_name) {
    if (file_name == nullptr)
        return false;
    std::string native = platform::ToNativePath(file_name);
    std::unique_ptr<char, decltype(&free)> resolved(realpath(native.c_str(), nullptr), &free);
    if (!resolved)
        return false;
    std::string executable = platform::kernel::ExecutablePath();
    return !executable.empty() && executable == resolved.get();
}

}  // namespace

DWORD GetFileVersionInfoSizeA(LPCSTR file_name, LPDWORD handle) {
    if (handle != nullptr)
        *handle = 0;
    if (!IsProgramExecutable(file_name)) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return 0;
    }
    return sizeof(VersionBlock);
}

BOOL GetFileVersionInfoA(LPCSTR file_name, DWORD, DWORD size, LPVOID data) {
    if (data == nullptr || !IsProgramExecutable(file_name)) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return FALSE;
    }
    if (size < sizeof(VersionBlock)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    VersionBlock block = ProgramVersionBlock();
    std::memcpy(data, &block, sizeof block);
    return TRUE;
}

BOOL VerQueryValueA(LPCVOID block, LPCSTR sub_block, LPVOID* buffer, UINT* length) {
    if (block == nullptr || sub_block == nullptr || buffer == nullptr)
        return FALSE;
    const auto* header = static_cast<const VersionBlock*>(block);
    if (header->wLength < sizeof(VersionBlock) ||
        header->wValueLength != sizeof(VS_FIXEDFILEINFO) ||
        std::memcmp(header->szKey, kVersionKey, sizeof kVersionKey) != 0 ||
        header->value.dwSignature != VS_FFI_SIGNATURE)
        return FALSE;
    if (std::strcmp(sub_block, "\\") != 0)
        return FALSE;
    *buffer = const_cast<VS_FIXEDFILEINFO*>(&header->value);
    if (length != nullptr)
        *length = sizeof(VS_FIXEDFILEINFO);
    return TRUE;
}
