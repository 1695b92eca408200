// Reversible mapping between names on disk (UTF-8, or any bytes) and the
// CP932 names the program works with. Characters that survive a CP932 round
// trip are converted; everything else is written as "%XX" per raw byte. A
// name that grows too long that way is shortened with a hash, and found
// again on disk by the path functions.
#include <cstdint>
#include <cstdio>

#include "platform/codepage.h"
#include "platform/files.h"

namespace platform {
namespace {

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return c - 'a' + 10;
}

void AppendEscaped(std::string& out, unsigned char byte) {
    static const char kDigits[] = "0123456789ABCDEF";
    out += '%';
    out += kDigits[byte >> 4];
    out += kDigits[byte & 0x0F];
}

// An ASCII byte the program may hold as itself. Control bytes would garble
// the screen; a backslash or colon would read as a separator or a drive.
bool IsPlainAscii(unsigned char byte) {
    return byte >= 0x20 && byte < 0x7F && byte != '\\' && byte != ':';
}

// The CP932 form of one UTF-8 character, or empty when CP932 cannot hold it
// exactly (several Unicode characters share one CP932 code).
std::string ExactCp932(std::string_view utf8_char) {
    std::string cp932 = Utf8ToCp932(utf8_char, '\0');
    if (cp932.empty() || cp932.find('\0') != std::string::npos)
        return {};
    // A character beyond ASCII must not turn into an ASCII byte (a yen sign
    // into a backslash).
    if (cp932.size() == 1 && static_cast<unsigned char>(cp932[0]) < 0x80)
        return {};
    if (Cp932ToUtf8(cp932) != utf8_char)
        return {};
    return cp932;
}

// The longest name the program is shown; Win32 allows 255 bytes too.
constexpr size_t kMaxProgramName = 255;
// A shortened name is short enough to leave room for the folders above it
// in a MAX_PATH path.
constexpr size_t kMaxAliasLength = 64;
// Extensions longer than this are left out of a shortened name.
constexpr size_t kMaxAliasExtension = 16;
// "%~" and eight hex digits.
constexpr size_t kAliasTagLength = 10;

// Every byte in the program's form: CP932 where it holds the character
// exactly, "%XX" otherwise. A "%" that would read as an escape or as the
// mark of a shortened name ("%~") is escaped itself.
std::string EscapedName(std::string_view native_name) {
    std::string out;
    out.reserve(native_name.size());
    size_t i = 0;
    while (i < native_name.size()) {
        unsigned char byte = static_cast<unsigned char>(native_name[i]);
        if (byte == '%') {
            bool looks_escaped = (i + 2 < native_name.size() && IsHexDigit(native_name[i + 1]) &&
                                  IsHexDigit(native_name[i + 2])) ||
                                 (i + 1 < native_name.size() && native_name[i + 1] == '~');
            if (looks_escaped)
                AppendEscaped(out, byte);
            else
                out += '%';
            ++i;
            continue;
        }
        if (byte < 0x80) {
            if (IsPlainAscii(byte))
                out += static_cast<char>(byte);
            else
                AppendEscaped(out, byte);
            ++i;
            continue;
        }
        size_t n = Utf8CharLength(native_name.substr(i));
        std::string cp932 = n ? ExactCp932(native_name.substr(i, n)) : std::string();
        if (!cp932.empty()) {
            out += cp932;
        } else {
            for (size_t k = 0; k < (n ? n : 1); ++k)
                AppendEscaped(out, static_cast<unsigned char>(native_name[i + k]));
        }
        i += n ? n : 1;
    }
    return out;
}

std::uint32_t NameHash(std::string_view bytes) {
    std::uint32_t hash = 2166136261u;  // 32-bit FNV-1a
    for (char c : bytes)
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return hash;
}

// The length of the longest start of an escaped name within `room` bytes
// that ends between two characters, never inside "%XX" or a double-byte
// character.
size_t WholeCharactersWithin(const std::string& escaped, size_t room) {
    size_t length = 0;
    while (length < escaped.size()) {
        unsigned char byte = static_cast<unsigned char>(escaped[length]);
        size_t step = 1;
        if (byte == '%' && length + 2 < escaped.size() && IsHexDigit(escaped[length + 1]) &&
            IsHexDigit(escaped[length + 2]))
            step = 3;
        else if (IsCp932LeadByte(byte) && length + 1 < escaped.size())
            step = 2;
        if (length + step > room)
            break;
        length += step;
    }
    return length;
}

// A name too long for the program once escaped (many characters outside
// CP932) is shown shortened, as Win32 shortens long names: the start of its
// escaped form, "%~", eight hex digits of a hash of its bytes on disk, and
// its extension, so that songs and texts keep their kind. The hash leaves a
// kept extension out, so a song and its companion text differ only there.
std::string ShortAlias(std::string_view native_name, const std::string& escaped) {
    size_t dot = native_name.rfind('.');
    std::string extension =
        dot == std::string_view::npos ? std::string() : EscapedName(native_name.substr(dot));
    std::string_view hashed = native_name.substr(0, extension.empty() ? native_name.size() : dot);
    if (extension.size() > kMaxAliasExtension) {
        extension.clear();
        hashed = native_name;
    }
    char tag[kAliasTagLength + 1];
    std::snprintf(tag, sizeof tag, "%%~%08X", static_cast<unsigned>(NameHash(hashed)));
    size_t room = kMaxAliasLength - kAliasTagLength - extension.size();
    return escaped.substr(0, WholeCharactersWithin(escaped, room)) + tag + extension;
}

}  // namespace

std::string NativeNameToProgram(std::string_view native_name) {
    std::string escaped = EscapedName(native_name);
    if (escaped.size() <= kMaxProgramName)
        return escaped;
    return ShortAlias(native_name, escaped);
}

bool IsShortAlias(std::string_view program_name) {
    for (size_t at = program_name.find("%~"); at != std::string_view::npos;
         at = program_name.find("%~", at + 1)) {
        if (at + kAliasTagLength > program_name.size())
            return false;
        bool hex = true;
        for (size_t k = at + 2; k < at + kAliasTagLength; ++k)
            hex &= IsHexDigit(program_name[k]);
        if (hex)
            return true;
    }
    return false;
}

std::string ProgramNameToNative(std::string_view program_name) {
    std::string out;
    out.reserve(program_name.size());
    std::string run;  // CP932 bytes waiting for conversion
    auto flush = [&] {
        if (run.empty())
            return;
        out += Cp932ToUtf8(run);
        run.clear();
    };
    size_t i = 0;
    while (i < program_name.size()) {
        unsigned char byte = static_cast<unsigned char>(program_name[i]);
        if (IsCp932LeadByte(byte) && i + 1 < program_name.size()) {
            run.append(program_name.substr(i, 2));
            i += 2;
            continue;
        }
        if (byte == '%' && i + 2 < program_name.size() && IsHexDigit(program_name[i + 1]) &&
            IsHexDigit(program_name[i + 2])) {
            flush();
            out += static_cast<char>(HexValue(program_name[i + 1]) << 4 |
                                     HexValue(program_name[i + 2]));
            i += 3;
            continue;
        }
        if (byte < 0x80) {
            flush();
            out += static_cast<char>(byte);
        } else {
            run += static_cast<char>(byte);
        }
        ++i;
    }
    flush();
    return out;
}

}  // namespace platform
