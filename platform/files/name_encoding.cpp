// Reversible mapping between names on disk (UTF-8, or any bytes) and the
// CP932 names the program works with. Characters that survive a CP932 round
// trip are converted; everything else is written as "%XX" per raw byte.
#include <cstdint>

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

// Length of the well-formed UTF-8 sequence at the start of `s`, 0 if none.
size_t Utf8CharLength(std::string_view s) {
    unsigned char lead = static_cast<unsigned char>(s[0]);
    size_t n;
    std::uint32_t min_code;
    if (lead >= 0xC2 && lead <= 0xDF) {
        n = 2;
        min_code = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        n = 3;
        min_code = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        n = 4;
        min_code = 0x10000;
    } else {
        return 0;
    }
    if (s.size() < n)
        return 0;
    std::uint32_t code = lead & (0x7F >> n);
    for (size_t i = 1; i < n; ++i) {
        unsigned char next = static_cast<unsigned char>(s[i]);
        if ((next & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (next & 0x3F);
    }
    if (code < min_code || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return n;
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

}  // namespace

std::string NativeNameToProgram(std::string_view native_name) {
    std::string out;
    out.reserve(native_name.size());
    size_t i = 0;
    while (i < native_name.size()) {
        unsigned char byte = static_cast<unsigned char>(native_name[i]);
        if (byte == '%') {
            bool looks_escaped = i + 2 < native_name.size() && IsHexDigit(native_name[i + 1]) &&
                                 IsHexDigit(native_name[i + 2]);
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
