// Win32's file-name wildcards over CP932 names: `*` any run of characters,
// `?` one character (a double-byte character counts as one), letters
// compared without regard to case.
#include <vector>

#include "platform/codepage.h"
#include "platform/files.h"

namespace platform {
namespace {

std::vector<std::string_view> Characters(std::string_view text) {
    std::vector<std::string_view> chars;
    for (size_t i = 0; i < text.size();) {
        size_t n =
            IsCp932LeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
        chars.push_back(text.substr(i, n));
        i += n;
    }
    return chars;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameCharacter(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    if (a.size() == 1)
        return Lower(a[0]) == Lower(b[0]);
    return a == b;
}

// Greedy match with one back-tracking point per star, linear in practice.
bool Glob(const std::vector<std::string_view>& pattern, const std::vector<std::string_view>& name) {
    size_t p = 0, n = 0;
    size_t star = std::string_view::npos, star_n = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == "*") {
            star = p++;
            star_n = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == "?" || SameCharacter(pattern[p], name[n]))) {
            ++p;
            ++n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++star_n;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == "*")
        ++p;
    return p == pattern.size();
}

}  // namespace

bool MatchesWildcard(std::string_view pattern, std::string_view name) {
    if (pattern == "*" || pattern == "*.*")
        return true;
    auto name_chars = Characters(name);
    if (Glob(Characters(pattern), name_chars))
        return true;
    // "NAME.*" also finds NAME itself, and "*." the names without a dot.
    bool has_dot = name.find('.') != std::string_view::npos;
    if (pattern.size() >= 2 && pattern.ends_with(".*") && !has_dot)
        return Glob(Characters(pattern.substr(0, pattern.size() - 2)), name_chars);
    if (pattern.size() >= 2 && pattern.ends_with('.') && !has_dot)
        return Glob(Characters(pattern.substr(0, pattern.size() - 1)), name_chars);
    return false;
}

}  // namespace platform
