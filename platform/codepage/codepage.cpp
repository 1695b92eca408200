#include "platform/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <mutex>

namespace platform {
namespace {

// One iconv descriptor per direction, opened on first use. iconv state is not
// thread-safe, so each conversion holds the descriptor's lock.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (cd_ != reinterpret_cast<iconv_t>(-1))
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts `in`; on an invalid or unconvertible sequence, appends
    // `replacement`, skips `skip(in)` bytes and carries on.
    template <typename Skip>
    std::string Convert(std::string_view in, std::string_view replacement, Skip skip) {
        std::lock_guard<std::mutex> hold(lock_);
        std::string out;
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            out.assign(in);
            return out;
        }
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data());
        size_t src_left = in.size();
        // Each call has a cost of its own of some microseconds, which with a
        // small buffer doubled the time a song's words take to convert.
        char buffer[8192];
        while (src_left > 0) {
            char* dst = buffer;
            size_t dst_left = sizeof buffer;
            size_t result = iconv(cd_, &src, &src_left, &dst, &dst_left);
            out.append(buffer, dst - buffer);
            if (result != static_cast<size_t>(-1))
                continue;
            if (errno == E2BIG)
                continue;
            // EILSEQ or EINVAL: a bad or truncated sequence at src.
            out.append(replacement);
            size_t n = skip(std::string_view(src, src_left));
            src += n;
            src_left -= n;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        return out;
    }

private:
    iconv_t cd_;
    std::mutex lock_;
};

// Length of the UTF-8 sequence that starts `s`, or 1 for a stray byte.
size_t Utf8SequenceLength(std::string_view s) {
    unsigned char lead = static_cast<unsigned char>(s[0]);
    size_t n = lead < 0x80           ? 1
               : (lead >> 5) == 0x6  ? 2
               : (lead >> 4) == 0xE  ? 3
               : (lead >> 3) == 0x1E ? 4
                                     : 1;
    if (n > s.size())
        return 1;
    for (size_t i = 1; i < n; ++i)
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80)
            return 1;
    return n;
}

}  // namespace

std::size_t Utf8CharLength(std::string_view s) {
    if (s.empty())
        return 0;
    unsigned char lead = static_cast<unsigned char>(s[0]);
    std::size_t n;
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
    for (std::size_t i = 1; i < n; ++i) {
        unsigned char next = static_cast<unsigned char>(s[i]);
        if ((next & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (next & 0x3F);
    }
    if (code < min_code || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return n;
}

std::string Cp932ToUtf8(std::string_view cp932) {
    static Converter converter("UTF-8", "CP932");
    return converter.Convert(cp932, "\xEF\xBF\xBD", [](std::string_view rest) -> size_t {
        bool pair = rest.size() >= 2 && IsCp932LeadByte(static_cast<unsigned char>(rest[0]));
        return pair ? 2 : 1;
    });
}

std::string Utf8ToCp932(std::string_view utf8, char replacement) {
    static Converter converter("CP932", "UTF-8");
    return converter.Convert(utf8, std::string_view(&replacement, 1), Utf8SequenceLength);
}

}  // namespace platform
