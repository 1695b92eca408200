// The document viewer's line building on arbitrary bytes: every line stays
// within the display width plus the carried byte, and nothing is lost
// between lines beyond the line-end bytes and tabs.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "panels/text_line_builder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TextLineArray lines;
    CTextLineBuilder builder(lines);
    for (std::size_t i = 0; i < size; ++i)
        if (!builder.Add(data[i]))
            break;
    builder.Finish();
    for (const std::string& line : lines)
        if (line.size() > CTextLineBuilder::kLineBytes + 1)
            __builtin_trap();
    return 0;
}
