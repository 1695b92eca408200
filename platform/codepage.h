// Conversion between the program's code page (CP932, Shift-JIS with the
// Windows extensions) and UTF-8, the encoding of the terminal, the file
// system and the font library.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// CP932 bytes to UTF-8. Bytes that do not form a CP932 character become
// U+FFFD, so the result is always valid UTF-8.
std::string Cp932ToUtf8(std::string_view cp932);

// UTF-8 to CP932. Characters CP932 cannot hold, and bytes that are not
// UTF-8, become `replacement` (one byte each character or stray byte).
std::string Utf8ToCp932(std::string_view utf8, char replacement = '?');

// Length of the well-formed UTF-8 character at the start of `s` (no
// overlong forms, surrogates or code points past U+10FFFF), 0 if none.
std::size_t Utf8CharLength(std::string_view s);

// True when `byte` starts a double-byte CP932 character (0x81-0x9F, 0xE0-0xFC).
inline bool IsCp932LeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

}  // namespace platform
