// A text file's display lines, as the document viewer shows them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The display lines of a document. Kept as plain strings: a CStr checks
// its source with a system call on every assignment, which made a 1 MB
// text take a quarter of a second to load.
using TextLineArray = std::vector<std::string>;

// Turns bytes into display lines: tabs to the next multiple of 8, lines
// cut at 80 bytes, CR LF and LF both ending a line. A huge text keeps only
// its first kMaxLines lines, so a multi-megabyte file cannot exhaust memory.
class CTextLineBuilder {
public:
    static constexpr size_t kLineBytes = 80;
    static constexpr std::uint32_t kMaxLines = 100000;

    explicit CTextLineBuilder(TextLineArray& lines) : lines_(lines) {}
    // False once the line limit is reached (the rest is not needed).
    bool Add(unsigned char byte);
    // Ends the text: the last line is kept even without a line feed.
    void Finish();

private:
    void EmitLine(size_t length);

    TextLineArray& lines_;
    char line_[256] = {};
    size_t length_ = 0;
};
