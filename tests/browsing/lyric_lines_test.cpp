// The words as the viewer's lines, and the part of its rows that is lit.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "panels/lyric_highlight.h"
#include "panels/lyric_lines.h"

namespace {

// Karaoke words: texts (FF 01 of the track named "Words") at these times.
CSongLyrics Words(const std::vector<std::pair<std::uint32_t, std::string>>& texts) {
    CSongTextLog log;
    log.Add(1, CSongTextLog::kTrackName, reinterpret_cast<const std::uint8_t*>("Words"), 5);
    for (const auto& [time_ms, text] : texts) {
        log.SetTime(time_ms);
        log.Add(1, CSongTextLog::kText, reinterpret_cast<const std::uint8_t*>(text.data()),
                static_cast<std::uint32_t>(text.size()));
    }
    return CSongLyrics::Read(log);
}

TEST(LyricLines, SyllablesFillLinesBetweenBreaksTitlesAndVerses) {
    CLyricLines lines;
    const std::string long_syllable(200, 'x');
    const std::string wide_at_80 = std::string(79, 'k') + "\x83\x5C" + "zz";
    lines.Build(Words({{0, "@TTitle"},
                       {0, "\\Twin"},
                       {100, "kle"},
                       {200, "/\\"},
                       {300, "/"},
                       {400, "lit\x83\x5C"},  // ソ ends in a backslash byte
                       {500, "/" + long_syllable},
                       {600, "/" + wide_at_80},
                       {700, "\x83\x5C"}}));
    EXPECT_EQ(lines.Lines(), (std::vector<std::string>{"Title", "", "Twinkle", "", "lit\x83\x5C",
                                                       std::string(80, 'x'), std::string(80, 'x'),
                                                       std::string(40, 'x'), std::string(79, 'k'),
                                                       "\x83\x5Czz\x83\x5C"}));
    // Each line's pieces end where its syllables do, with their times.
    ASSERT_EQ(lines.PieceCount(2), 2u);
    EXPECT_EQ(lines.Pieces(2)[0].end, 4);
    EXPECT_EQ(lines.Pieces(2)[1].end, 7);
    EXPECT_EQ(lines.Pieces(2)[1].time_ms, 100u);
    EXPECT_EQ(lines.PieceCount(1), 0u);
    EXPECT_EQ(lines.Pieces(7)[0].time_ms, 500u);

    // The line being sung: the first until anything is reached, then the
    // line of the last piece reached (a piece of time t from play time t + 1).
    EXPECT_EQ(lines.CurrentLine(0), 0u);
    EXPECT_EQ(lines.CurrentLine(100), 2u);
    EXPECT_EQ(lines.CurrentLine(401), 4u);
    EXPECT_EQ(lines.CurrentLine(100000), 9u);
    EXPECT_EQ(ReachedPieces(lines.Pieces(2), 2, 100), 1u);
    EXPECT_EQ(ReachedPieces(lines.Pieces(2), 2, 101), 2u);
}

TEST(LyricHighlight, LightsWholeRowsSungAndThePartOfTheRowBeingSung) {
    const LyricPiece first[] = {{100, 2}, {200, 4}};
    const LyricPiece second[] = {{300, 3}, {400, 5}, {500, 6}};
    const LONG first_right[] = {20, 40};
    const LONG second_right[] = {30, 50, 60};
    CLyricHighlight highlight;
    highlight.AddRow(10, first, first_right, 2);
    highlight.AddRow(25, second, second_right, 3);
    highlight.AddRow(40, nullptr, nullptr, 0);  // an empty line
    RECT rects[2];
    EXPECT_EQ(highlight.LitRects(100, 620, rects), 0);
    ASSERT_EQ(highlight.LitRects(101, 620, rects), 1);
    EXPECT_EQ(rects[0].right, 20);
    EXPECT_EQ(rects[0].bottom, 26);
    ASSERT_EQ(highlight.LitRects(450, 620, rects), 2);
    EXPECT_EQ(rects[0].top, 25);  // the row being sung, to its second piece
    EXPECT_EQ(rects[0].right, 50);
    EXPECT_EQ(rects[1].top, 10);  // the sung row across the panel, up to the next
    EXPECT_EQ(rects[1].right, 620);
    EXPECT_EQ(rects[1].bottom, 25);
    highlight.Clear();
    EXPECT_EQ(highlight.LitRects(100000, 620, rects), 0);
}

}  // namespace
