// A song's words as the document viewer's display lines: the syllables laid
// out in lines of at most 80 bytes, each piece of a line with the time it is
// sung, built once when the song is loaded.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "midi/song_lyrics.h"

// A run of bytes of one line sung from `time_ms` on; it ends at byte `end`
// of its line and starts where the piece before it in the line ends.
struct LyricPiece {
    std::uint32_t time_ms;
    std::uint8_t end;
};

class CLyricLines {
public:
    static constexpr std::size_t kLineBytes = 80;

    // Lays out the words: a syllable that would overflow its line starts the
    // next one, a longer one is cut between characters; line breaks end the
    // line, a verse or a line break on an empty line leaves one empty line
    // (never at the top, never two); a title line stands on its own.
    void Build(const CSongLyrics& lyrics);
    void Clear();

    bool Empty() const { return lines_.empty(); }
    const std::vector<std::string>& Lines() const { return lines_; }
    // The pieces of line `line`, in time order.
    const LyricPiece* Pieces(std::uint32_t line) const { return pieces_.data() + first_[line]; }
    std::uint32_t PieceCount(std::uint32_t line) const { return first_[line + 1] - first_[line]; }
    // The line being sung at song time `play_ms`: the line of the last piece
    // reached, else the first line that has pieces.
    std::uint32_t CurrentLine(std::uint32_t play_ms) const;

private:
    void Append(std::string_view text, std::uint32_t time_ms);
    // Ends the line being built; an empty one only after a line with text.
    void EndLine();

    std::vector<std::string> lines_;
    std::vector<LyricPiece> pieces_;
    // first_[i] is the first piece of line i; one more entry ends the last line.
    std::vector<std::uint32_t> first_;
    std::vector<std::uint32_t> line_of_piece_;
    std::string building_;
};

// How many of the `count` pieces (in time order) are reached at song time
// `play_ms`: those sent before the period that made the time `play_ms` ended.
std::size_t ReachedPieces(const LyricPiece* pieces, std::size_t count, std::uint32_t play_ms);
