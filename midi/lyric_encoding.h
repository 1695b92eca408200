// How a song's words are encoded, decided once for all of them, and their
// conversion to the program's code page (CP932).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

enum class LyricEncoding : std::uint8_t {
    kUtf8,    // valid UTF-8 with characters beyond ASCII
    kCp932,   // otherwise valid Shift-JIS (CP932) with double-byte characters
    kLatin1,  // anything else, plain ASCII included
};

// The encoding of `text`, all the song's words (a line feed between two
// texts, so that no character is taken to run from one into the next).
LyricEncoding DetectLyricEncoding(std::string_view text);

// `text` in CP932; a character CP932 cannot hold becomes '?'.
std::string LyricTextToCp932(std::string_view text, LyricEncoding encoding);
