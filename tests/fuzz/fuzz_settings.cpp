// The settings file's reader on arbitrary bytes: every problem it names is
// one short printable line, and what it read is written back and read again
// as the same settings, with no problem.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/settings_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> problems;
    const KeptValues values = ParseKeptValues(text, &problems);
    for (const std::string& problem : problems) {
        if (problem.size() > 120)
            __builtin_trap();
        for (char c : problem)
            if (c < 0x20 || c >= 0x7F)
                __builtin_trap();
    }
    std::vector<std::string> again;
    if (ParseKeptValues(FormatKeptValues(values), &again) != values || !again.empty())
        __builtin_trap();
    return 0;
}
