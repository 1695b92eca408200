// The words of a song, read at load from its text events: the syllables
// with the millisecond each is sent in, the line and verse breaks between
// them and the title lines of a karaoke file, in the program's code page.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "midi/lyric_encoding.h"
#include "midi/song_text_log.h"

enum class LyricTokenKind : std::uint8_t {
    kSyllable,    // text, sung from time_ms on
    kLineBreak,   // what follows starts a new line
    kVerseBreak,  // what follows starts a new verse, an empty line between
    kTitle,       // a title line of its own (a karaoke file's "@T" line)
};

struct LyricToken {
    LyricTokenKind kind;
    std::uint32_t time_ms;
    std::uint32_t offset;  // of the text (syllables and titles) in the lyrics
    std::uint32_t length;
};

class CSongLyrics {
public:
    // FF 05 events from every track when the song has any. Otherwise, in a
    // karaoke file (an FF 01 beginning "@KMIDI", or a track named "Words"),
    // the FF 01 events of the words track: "@T" lines are title lines, other
    // "@" lines are left out, "/" starts a new line and "\" a new verse. A
    // control byte or NUL ends a syllable's text; CR and LF break the line.
    static CSongLyrics Read(const CSongTextLog& log);

    // False for a song without words: no syllable and no title line.
    bool HasWords() const { return !tokens_.empty(); }
    const std::vector<LyricToken>& Tokens() const { return tokens_; }
    // A token's text in CP932 (empty for breaks).
    std::string_view Text(const LyricToken& token) const {
        return std::string_view(text_).substr(token.offset, token.length);
    }
    LyricEncoding Encoding() const { return encoding_; }
    // True when the words came from a karaoke file's words track.
    bool FromWordsTrack() const { return words_track_; }

private:
    std::vector<LyricToken> tokens_;
    std::string text_;
    LyricEncoding encoding_ = LyricEncoding::kLatin1;
    bool words_track_ = false;
};
