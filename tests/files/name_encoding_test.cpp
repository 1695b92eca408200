#include <gtest/gtest.h>

#include "platform/files.h"

using platform::NativeNameToProgram;
using platform::ProgramNameToNative;

// Every name on disk must come back to its exact bytes.
TEST(NameEncoding, RoundTripsEveryKindOfName) {
    const std::string names[] = {
        "SONG.MID",
        "\xE6\x9B\xB2.mid",              // 曲.mid (CP932 has it)
        "\xEF\xBD\xB1\xEF\xBD\xB2.TXT",  // half-width katakana
        "caf\xC3\xA9.mid",               // é is not in CP932
        "\xF0\x9F\x8E\xB5 tune.rcp",     // an emoji
        "bad\xFF\xFE"
        "bytes.mid",  // not UTF-8
        "100%.mid",
        "%41.mid",
        "%%4.mid",
        "%",
        "a%4",
        "back\\slash",
        "c:olon",
        "tab\tname",
        "\xE3\x80\x9C"
        "wave",  // 〜 shares a code with ～
        std::string(255, 'a'),
    };
    for (const std::string& name : names) {
        std::string shown = NativeNameToProgram(name);
        EXPECT_EQ(ProgramNameToNative(shown), name) << shown;
    }
}

TEST(NameEncoding, ShowsCp932CharactersAndEscapesTheRest) {
    EXPECT_EQ(NativeNameToProgram("\xE6\x9B\xB2.mid"), "\x8b\xc8.mid");
    EXPECT_EQ(NativeNameToProgram("caf\xC3\xA9"), "caf%C3%A9");
    EXPECT_EQ(NativeNameToProgram("a\\b"), "a%5Cb");
    EXPECT_EQ(NativeNameToProgram("%41"), "%2541");
    EXPECT_EQ(NativeNameToProgram("100%"), "100%");
    // No escape may end in a form that reads as a drive or a separator.
    std::string shown = NativeNameToProgram("x:\\y");
    EXPECT_EQ(shown.find_first_of(":\\"), std::string::npos);
}
