#include "midi/lyric_encoding.h"

#include "platform/codepage.h"

namespace {

bool IsCp932Trail(unsigned char byte) {
    return byte >= 0x40 && byte <= 0xFC && byte != 0x7F;
}

// Half-width katakana and the half-width punctuation before them.
bool IsCp932SingleKana(unsigned char byte) {
    return byte >= 0xA1 && byte <= 0xDF;
}

// True when every byte of `text` belongs to a well-formed UTF-8 character;
// `beyond_ascii` tells whether one of them is not ASCII.
bool IsUtf8(std::string_view text, bool& beyond_ascii) {
    beyond_ascii = false;
    for (std::size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
            continue;
        }
        const std::size_t n = platform::Utf8CharLength(text.substr(i));
        if (n == 0)
            return false;
        beyond_ascii = true;
        i += n;
    }
    return true;
}

bool IsCp932(std::string_view text, bool& double_byte) {
    double_byte = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80 || IsCp932SingleKana(byte))
            continue;
        if (!platform::IsCp932LeadByte(byte) || i + 1 == text.size() ||
            !IsCp932Trail(static_cast<unsigned char>(text[i + 1])))
            return false;
        double_byte = true;
        ++i;
    }
    return true;
}

bool IsAscii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

}  // namespace

LyricEncoding DetectLyricEncoding(std::string_view text) {
    bool wide = false;
    if (IsUtf8(text, wide) && wide)
        return LyricEncoding::kUtf8;
    if (IsCp932(text, wide) && wide)
        return LyricEncoding::kCp932;
    return LyricEncoding::kLatin1;
}

std::string LyricTextToCp932(std::string_view text, LyricEncoding encoding) {
    if (encoding == LyricEncoding::kCp932 || IsAscii(text))
        return std::string(text);
    if (encoding == LyricEncoding::kUtf8)
        return platform::Utf8ToCp932(text, '?');
    // Latin-1 is the first 256 code points of Unicode.
    std::string utf8;
    utf8.reserve(text.size() * 2);
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            utf8 += c;
        } else {
            utf8 += static_cast<char>(0xC0 | byte >> 6);
            utf8 += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return platform::Utf8ToCp932(utf8, '?');
}
