#include "panels/lyric_lines.h"

#include <algorithm>

#include "platform/codepage.h"

namespace {

// The longest head of `text` of at most `room` bytes that ends between two
// CP932 characters.
std::size_t WholeCharacters(std::string_view text, std::size_t room) {
    std::size_t length = 0;
    while (length < text.size()) {
        const std::size_t step =
            platform::IsCp932LeadByte(static_cast<unsigned char>(text[length])) ? 2 : 1;
        if (length + step > room)
            break;
        length += step;
    }
    return std::min(length, text.size());
}

}  // namespace

std::size_t ReachedPieces(const LyricPiece* pieces, std::size_t count, std::uint32_t play_ms) {
    // A piece sent in the period of millisecond t is reached once the play
    // time has passed t.
    return static_cast<std::size_t>(std::partition_point(pieces, pieces + count,
                                                         [play_ms](const LyricPiece& piece) {
                                                             return piece.time_ms < play_ms;
                                                         }) -
                                    pieces);
}

void CLyricLines::Clear() {
    lines_.clear();
    pieces_.clear();
    first_.assign(1, 0);
    line_of_piece_.clear();
    building_.clear();
}

void CLyricLines::Build(const CSongLyrics& lyrics) {
    Clear();
    for (const LyricToken& token : lyrics.Tokens()) {
        switch (token.kind) {
            case LyricTokenKind::kSyllable:
                Append(lyrics.Text(token), token.time_ms);
                break;
            case LyricTokenKind::kLineBreak:
                EndLine();
                break;
            case LyricTokenKind::kVerseBreak:
                if (!building_.empty())
                    EndLine();
                EndLine();
                break;
            case LyricTokenKind::kTitle:
                if (!building_.empty())
                    EndLine();
                Append(lyrics.Text(token), token.time_ms);
                if (!building_.empty())
                    EndLine();
                break;
        }
    }
    if (!building_.empty())
        EndLine();
    while (!lines_.empty() && lines_.back().empty()) {
        lines_.pop_back();
        first_.pop_back();
    }
}

void CLyricLines::Append(std::string_view text, std::uint32_t time_ms) {
    // A syllable goes to the next line rather than being cut, unless it
    // fills more than a line by itself.
    if (!building_.empty() && building_.size() + text.size() > kLineBytes)
        EndLine();
    while (!text.empty()) {
        std::size_t length = WholeCharacters(text, kLineBytes - building_.size());
        if (length == 0) {
            // Even one character no longer fits (or a lone lead byte at the end).
            if (!building_.empty()) {
                EndLine();
                continue;
            }
            length = text.size() < 2 ? text.size() : 2;
        }
        building_.append(text.substr(0, length));
        pieces_.push_back({time_ms, static_cast<std::uint8_t>(building_.size())});
        line_of_piece_.push_back(static_cast<std::uint32_t>(lines_.size()));
        text.remove_prefix(length);
        if (!text.empty())
            EndLine();
    }
}

void CLyricLines::EndLine() {
    if (building_.empty() && (lines_.empty() || lines_.back().empty()))
        return;
    lines_.push_back(std::move(building_));
    building_.clear();
    first_.push_back(static_cast<std::uint32_t>(pieces_.size()));
}

std::uint32_t CLyricLines::CurrentLine(std::uint32_t play_ms) const {
    if (pieces_.empty())
        return 0;
    const std::size_t reached = ReachedPieces(pieces_.data(), pieces_.size(), play_ms);
    return line_of_piece_[reached > 0 ? reached - 1 : 0];
}
