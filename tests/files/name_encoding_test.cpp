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

namespace {

std::string Repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

}  // namespace

// Korean has no place in CP932: 83 syllables escape to 747 bytes.
TEST(NameEncoding, NamesTooLongOnceEscapedAreShortenedWithTheirExtension) {
    const std::string hangul = "\xEA\xB0\x80";  // one syllable
    const std::string long_song = Repeat(hangul, 83) + ".mid";
    const std::string shown = NativeNameToProgram(long_song);
    EXPECT_LE(shown.size(), 64u);
    EXPECT_TRUE(platform::IsShortAlias(shown));
    EXPECT_EQ(shown.substr(shown.size() - 4), ".mid");
    const size_t tag = shown.find("%~");
    ASSERT_NE(tag, std::string::npos);
    // The start is whole escapes that decode to the start of the name.
    const std::string start = ProgramNameToNative(shown.substr(0, tag));
    EXPECT_GE(start.size(), 15u);
    EXPECT_EQ(long_song.compare(0, start.size(), start), 0);

    // Names that differ only past the shortened start stay apart.
    const std::string other = Repeat(hangul, 82) + "\xEA\xB0\x81.mid";
    EXPECT_NE(NativeNameToProgram(other), shown);
    EXPECT_EQ(NativeNameToProgram(long_song), shown);  // and each is stable

    // A song's companion text is the song's shortened name with ".txt".
    const std::string companion = NativeNameToProgram(Repeat(hangul, 83) + ".txt");
    EXPECT_EQ(companion, shown.substr(0, shown.size() - 4) + ".txt");
    const std::string bare = NativeNameToProgram(Repeat(hangul, 83));
    EXPECT_TRUE(platform::IsShortAlias(bare));
    EXPECT_NE(bare, shown);

    // A double-byte CP932 character is never cut in two.
    const std::string mixed = "\xE6\x9B\xB2" + Repeat("\xC3\xA9\xE6\x9B\xB2", 50);
    const std::string mixed_shown = NativeNameToProgram(mixed);
    const std::string mixed_start =
        ProgramNameToNative(mixed_shown.substr(0, mixed_shown.find("%~")));
    EXPECT_EQ(mixed.compare(0, mixed_start.size(), mixed_start), 0);
    EXPECT_TRUE(platform::IsShortAlias(mixed_shown));
}

TEST(NameEncoding, OnlyShortenedNamesReadAsShortened) {
    const std::string literal = "a%~12345678.mid";  // looks like a shortened name
    const std::string shown = NativeNameToProgram(literal);
    EXPECT_EQ(shown, "a%25~12345678.mid");
    EXPECT_FALSE(platform::IsShortAlias(shown));
    EXPECT_EQ(ProgramNameToNative(shown), literal);
    EXPECT_EQ(NativeNameToProgram(std::string(255, 'a')), std::string(255, 'a'));
    EXPECT_FALSE(platform::IsShortAlias("100%~.mid"));
    EXPECT_FALSE(platform::IsShortAlias("x%~1234567"));
}
