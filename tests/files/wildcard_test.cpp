#include <gtest/gtest.h>

#include "platform/files.h"

using platform::MatchesWildcard;

TEST(Wildcard, StarDotStarMatchesEveryName) {
    for (const char* name : {"SONG.MID", "README", ".", "..", "a.b.c", ""})
        EXPECT_TRUE(MatchesWildcard("*.*", name));
}

TEST(Wildcard, MatchesWithoutRegardToCase) {
    EXPECT_TRUE(MatchesWildcard("*.mid", "SONG.MID"));
    EXPECT_TRUE(MatchesWildcard("SONG.TXT", "song.txt"));
    EXPECT_FALSE(MatchesWildcard("*.mid", "SONG.MIDI"));
    EXPECT_TRUE(MatchesWildcard("*.mid*", "SONG.MIDI"));
}

TEST(Wildcard, QuestionMarkTakesOneCharacterEvenDoubleByte) {
    EXPECT_TRUE(MatchesWildcard("?.MID", "\x8b\xc8.MID"));  // one kanji
    EXPECT_FALSE(MatchesWildcard("?.MID", "AB.MID"));
    EXPECT_TRUE(MatchesWildcard("A?C", "abc"));
    // A trail byte equal to 'A' is not the letter A.
    EXPECT_FALSE(MatchesWildcard("*A*", "\x83\x41"));
}

TEST(Wildcard, NameDotStarAlsoFindsTheBareName) {
    EXPECT_TRUE(MatchesWildcard("README.*", "README"));
    EXPECT_TRUE(MatchesWildcard("*.", "README"));
    EXPECT_FALSE(MatchesWildcard("*.", "README.TXT"));
}
