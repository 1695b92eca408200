#include "panels/text_line_builder.h"

bool CTextLineBuilder::Add(unsigned char byte) {
    if (lines_.size() >= kMaxLines)
        return false;
    if (byte == '\n') {
        size_t length = length_;
        if (length > 0 && line_[length - 1] == '\r')
            --length;
        EmitLine(length);
        length_ = 0;
        return true;
    }
    if (byte == '\t') {
        size_t spaces = (8 - length_ % 8) % 8;
        for (size_t i = 0; i < spaces; ++i)
            Add(' ');
        return true;
    }
    if (length_ == kLineBytes + 1) {
        // An 82nd byte: the first 80 form a line, the 81st starts the next.
        char carried = line_[kLineBytes];
        EmitLine(kLineBytes);
        line_[0] = carried;
        length_ = 1;
    }
    line_[length_++] = static_cast<char>(byte);
    return true;
}

void CTextLineBuilder::Finish() {
    if (length_ > 0 && lines_.size() < kMaxLines)
        EmitLine(length_);
    length_ = 0;
}

void CTextLineBuilder::EmitLine(size_t length) {
    lines_.emplace_back(line_, length);
}
