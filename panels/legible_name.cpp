#include "panels/legible_name.h"

#include "platform/codepage.h"

namespace {

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

bool EscapeAt(std::string_view name, size_t i) {
    return i + 2 < name.size() && name[i] == '%' && IsHexDigit(name[i + 1]) &&
           IsHexDigit(name[i + 2]);
}

}  // namespace

std::string LegibleName(std::string_view name) {
    std::string shown;
    shown.reserve(name.size() + 2);
    size_t i = 0;
    while (i < name.size()) {
        if (platform::IsCp932LeadByte(static_cast<unsigned char>(name[i])) && i + 1 < name.size()) {
            shown.append(name.substr(i, 2));
            i += 2;
        } else if (EscapeAt(name, i)) {
            shown += '(';
            for (; EscapeAt(name, i); i += 3)
                shown.append(name.substr(i + 1, 2));
            shown += ')';
        } else if (name.substr(i, 2) == "%~") {
            shown += '-';
            i += 2;
        } else {
            shown += name[i++];
        }
    }
    return shown;
}
