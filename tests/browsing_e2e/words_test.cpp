// A song's words in the real program: played from the selector, the viewer
// shows them with the sung part lit and follows the song; Tab switches
// between a companion text and the words; a song without words is shown as
// before.
#include <cstdlib>

#include "tests/browsing_e2e/browsing_run.h"

namespace browsing_e2e {
namespace {

using song_bytes::Bytes;
using song_bytes::Meta;

constexpr std::uint8_t kDimIndex = 241;
constexpr int kRows = 27;

// Forty lines of four syllables, 125 ms apart (24 ticks at 96 a beat and
// 500,000 us a beat): two lines a second. `type` 5 writes lyric events
// with CR ending each line; 1 writes a karaoke file's words track, "/"
// starting each line, under a title line.
std::string WordsSong(std::uint8_t type, const std::string& companion_title = "") {
    Bytes first = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20};
    Bytes words = Meta(0, 0x03, type == 1 ? "Words" : "Voice");
    if (type == 1) {
        first = song_bytes::Concat({first, Meta(0, 0x01, "@KMIDI KARAOKE FILE")});
        words = song_bytes::Concat({words, Meta(0, 0x01, "@TKARAOKE " + companion_title)});
    }
    for (int line = 0; line < 40; ++line) {
        for (int syllable = 0; syllable < 4; ++syllable) {
            std::string text = "SING ";
            if (type == 1 && syllable == 0)
                text = (line % 8 == 0 ? "\\" : "/") + text;
            if (type == 5 && syllable == 3)
                text += "\r";
            const Bytes event = Meta(line == 0 && syllable == 0 ? 0 : 24, type, text);
            words.insert(words.end(), event.begin(), event.end());
        }
    }
    Bytes song = song_bytes::Song(96, {song_bytes::Concat({first, song_bytes::kEndOfTrack}),
                                       song_bytes::Concat({words, song_bytes::kEndOfTrack})});
    return std::string(song.begin(), song.end());
}

// How far the words on a shot are sung, in lines from the top of the
// words; -1 when the rows are not lit from the top down (sung rows, at most
// one row part sung, then rows not sung).
struct Sung {
    double lines = -1;
    int top = 0;
    int row = -1;  // the last row with lit words
};

Sung SungOf(const e2e::IndexedImage& shot) {
    Sung sung;
    sung.top = std::atoi(ViewerPosition(shot).c_str());
    double lines = sung.top;
    bool ended = false;
    for (int row = 0; row < kRows; ++row) {
        const int top = kViewerTop + 10 + 15 * row;
        const int lit = shot.Count(kDocumentIndex, kViewerLeft, top, kViewerRight, top + 15);
        const int dim = shot.Count(kDimIndex, kViewerLeft, top, kViewerRight, top + 15);
        if (lit == 0 && dim == 0)
            continue;
        if (lit > 0 && ended)
            return {};
        if (lit > 0)
            sung.row = row;
        if (!ended)
            lines += static_cast<double>(lit) / (lit + dim);
        ended |= dim > 0;
    }
    sung.lines = lines;
    return sung;
}

class WordsTest : public BrowsingTest {};

TEST_F(WordsTest, TheViewerShowsTheWordsSungAndFollowsTheSong) {
    scene_.WriteFile("LYRIC.MID", WordsSong(5));
    scene_.WriteFile("KARA.KAR", WordsSong(1, "TITLE"));
    scene_.WriteFile("BOTH.MID", WordsSong(5));
    scene_.WriteFile("BOTH.txt", "THE COMPANION TEXT\r\n");
    scene_.WriteFile("PLAIN.MID", SongBytes("PLAIN", {60, 62}));
    const fs::path& scene = scene_.Path();
    const int lyric = support::SelectorIndex(scene, "LYRIC.MID");
    const int kara = support::SelectorIndex(scene, "KARA.KAR");
    const int both = support::SelectorIndex(scene, "BOTH.MID");
    const int plain = support::SelectorIndex(scene, "PLAIN.MID");
    KeyScript script = Script();
    script.Press("RIGHT", lyric).Press("RETURN").AwaitSongStart().Press("TAB").Wait(400);
    for (int i = 0; i < 4; ++i)
        script.Shot("lyric" + std::to_string(i) + ".png").Wait(440);
    script.Press("TAB").Move(lyric, kara).Press("RETURN").AwaitSongStart().Press("TAB").Wait(400);
    script.Shot("kara0.png").Wait(440).Shot("kara1.png");
    script.Press("TAB")
        .Move(kara, both)
        .Press("RETURN")
        .AwaitSongStart()
        .Press("TAB")
        .Wait(400)
        .Shot("text.png");
    script.Press("TAB").Shot("words.png").Press("TAB").Shot("selector.png");
    script.Move(both, plain).Press("RETURN").AwaitSongStart().Press("TAB").Shot("plain.png");
    auto run = Run(script);

    // Lit from the top down, two lines further each second, the line being
    // sung in the upper third once the view scrolls.
    std::vector<Sung> lyrics;
    for (int i = 0; i < 4; ++i) {
        lyrics.push_back(SungOf(Shot("lyric" + std::to_string(i) + ".png")));
        EXPECT_GE(lyrics[i].lines, 0) << i;
        EXPECT_LE(lyrics[i].row, kRows / 3) << i;
        if (i > 0) {
            EXPECT_GT(lyrics[i].lines, lyrics[i - 1].lines + 1) << i;
        }
    }
    EXPECT_GT(lyrics[3].top, lyrics[0].top);

    // The karaoke file: its title line lit from the start, a verse's empty
    // line after it, and the words moving on.
    const e2e::IndexedImage kara_shot = Shot("kara0.png");
    EXPECT_GT(LineInk(kara_shot, 0), 30);
    EXPECT_EQ(
        kara_shot.Count(kDimIndex, kViewerLeft, kViewerTop + 10, kViewerRight, kViewerTop + 40), 0);
    const Sung kara_start = SungOf(kara_shot), kara_later = SungOf(Shot("kara1.png"));
    EXPECT_GT(kara_start.lines, 1);
    EXPECT_GT(kara_later.lines, kara_start.lines + 1);

    // A companion text first, Tab to the words, Tab back to the selector.
    const e2e::IndexedImage text = Shot("text.png"), words = Shot("words.png");
    EXPECT_GT(LineInk(text, 0), 30);
    EXPECT_EQ(text.CountAll(kDimIndex), 0);
    EXPECT_EQ(ViewerPosition(text), "0000/0000");
    EXPECT_GT(words.Count(kDimIndex, kViewerLeft, kViewerTop, kViewerRight, kViewerBottom), 100);
    EXPECT_NE(ViewerPosition(words), "0000/0000");
    const e2e::IndexedImage selector = Shot("selector.png");
    EXPECT_EQ(selector.CountAll(kDimIndex), 0);
    EXPECT_EQ(ViewerPosition(selector), "");

    // No words: the viewer as it always was, empty without a companion.
    const e2e::IndexedImage plain_shot = Shot("plain.png");
    EXPECT_EQ(ViewerPosition(plain_shot), "0000/0000");
    EXPECT_EQ(LineInk(plain_shot, 0), 0);
    EXPECT_EQ(plain_shot.CountAll(kDimIndex), 0);
}

}  // namespace
}  // namespace browsing_e2e
