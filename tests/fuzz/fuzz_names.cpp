// Names on disk in the program's form: any name a folder can hold (bytes
// other than "/" and NUL, at most 255) comes back to its exact bytes, or is
// shortened; the program's form never holds a separator, a drive mark or a
// control byte, and never exceeds 255 bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/codepage.h"
#include "platform/files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string name;
    for (std::size_t i = 0; i < size && name.size() < 255; ++i)
        if (data[i] != '/' && data[i] != '\0')
            name += static_cast<char>(data[i]);
    if (name.empty())
        return 0;
    const std::string shown = platform::NativeNameToProgram(name);
    if (shown.size() > 255 || shown.empty())
        __builtin_trap();
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(shown[i]);
        if (platform::IsCp932LeadByte(byte) && i + 1 < shown.size()) {
            ++i;  // a trail byte may be any value
            continue;
        }
        if (byte < 0x20 || byte == 0x7F || byte == '\\' || byte == ':')
            __builtin_trap();
    }
    if (platform::IsShortAlias(shown)) {
        if (shown.size() > 64)
            __builtin_trap();
    } else if (platform::ProgramNameToNative(shown) != name) {
        __builtin_trap();
    }
    return 0;
}
