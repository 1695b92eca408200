#include "views/key_layout.h"

#include <gtest/gtest.h>

namespace {

std::string Name(int note) {
    std::string names;
    AppendNoteName(note, names);
    return names;
}

TEST(KeyLayout, NamesNotesWithOctaveDigit) {
    EXPECT_EQ(Name(36), "C4");  // middle C, MIDI key 60
    EXPECT_EQ(Name(6), "F+1");  // F# of the lowest octave, key 30
    EXPECT_EQ(Name(95), "B8");  // key 119
    EXPECT_EQ(Name(1), "C+1");
    EXPECT_EQ(Name(10), "A+1");
    std::string chord;
    for (int note : {48, 52, 55}) {
        AppendNoteName(note, chord);
    }
    EXPECT_EQ(chord, "C5E5G5");
}

TEST(KeyLayout, WhiteKeyLightsFiveWideWithColourKey) {
    const LitKeyPlacement middle_c = PlaceLitKey(36);
    EXPECT_EQ(middle_c.dest_x, 110);
    EXPECT_EQ(middle_c.source_left, 0);
    EXPECT_EQ(middle_c.source_right - middle_c.source_left, 5);
    EXPECT_EQ(middle_c.source_bottom - middle_c.source_top, 17);
    EXPECT_TRUE(middle_c.colour_key);

    const LitKeyPlacement b8 = PlaceLitKey(95);  // last white key of the ninth octave
    EXPECT_EQ(b8.dest_x, 5 + 35 * 7 + 30);
    EXPECT_EQ(b8.source_left, 30);
}

TEST(KeyLayout, BlackKeyLightsThreeWideFromTheLowerRows) {
    const LitKeyPlacement f_sharp = PlaceLitKey(6);
    EXPECT_EQ(f_sharp.dest_x, 23);
    EXPECT_EQ(f_sharp.source_left, 18);
    EXPECT_EQ(f_sharp.source_right - f_sharp.source_left, 3);
    EXPECT_EQ(f_sharp.source_top, 17);
    EXPECT_EQ(f_sharp.source_bottom, 27);
    EXPECT_FALSE(f_sharp.colour_key);
    // Every black key's piece lies inside the 35-pixel lit-key image and
    // between its two white neighbours.
    for (int pitch_class : {1, 3, 6, 8, 10}) {
        const LitKeyPlacement black = PlaceLitKey(pitch_class);
        const LitKeyPlacement below = PlaceLitKey(pitch_class - 1);
        EXPECT_GE(black.source_left, 0);
        EXPECT_LE(black.source_right, 35);
        EXPECT_GT(black.dest_x, below.dest_x);
        EXPECT_LT(black.dest_x, below.dest_x + 5);
    }
}

TEST(KeyLayout, WaveNeedsSoundingNotesAndModulationAboveFive) {
    EXPECT_FALSE(WaveShowsSine(1, 5));
    EXPECT_TRUE(WaveShowsSine(1, 6));
    EXPECT_FALSE(WaveShowsSine(0, 100));
}

TEST(KeyLayout, WaveScrollsTwoPixelsEverySecondFrameAndWraps) {
    WaveScroll scroll;
    scroll.Advance();
    EXPECT_EQ(scroll.Offset(), 0);
    scroll.Advance();
    EXPECT_EQ(scroll.Offset(), 2);
    for (int frame = 0; frame < 28; ++frame) {
        scroll.Advance();
    }
    EXPECT_EQ(scroll.Offset(), 30);
    scroll.Advance();
    scroll.Advance();
    EXPECT_EQ(scroll.Offset(), 0);
}

}  // namespace
