// The words of a song read at load: which events carry them, their times as
// playback counts them, their breaks, encodings and odd texts.
#include "engine_fixture.h"
#include "midi/song_lyrics.h"

namespace {

using song_bytes::Bytes;
using song_bytes::Concat;
using song_bytes::kEndOfTrack;
using song_bytes::Meta;

const Bytes kTempo500000 = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20};

// Tokens as text: a syllable as itself, "/" a line break, "\" a verse
// break, "@" and the text a title line.
std::vector<std::string> Shown(const CSongLyrics& lyrics) {
    static const char* const kMarks[] = {"", "/", "\\", "@"};  // in LyricTokenKind's order
    std::vector<std::string> out;
    for (const LyricToken& token : lyrics.Tokens())
        out.push_back(kMarks[static_cast<int>(token.kind)] + std::string(lyrics.Text(token)));
    return out;
}

// The words of FF 05 events with these texts, one a millisecond apart.
CSongLyrics Lyrics(const std::vector<std::string>& texts) {
    CSongTextLog log;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        log.SetTime(i);
        log.Add(1, CSongTextLog::kLyric, reinterpret_cast<const std::uint8_t*>(texts[i].data()),
                static_cast<std::uint32_t>(texts[i].size()));
    }
    return CSongLyrics::Read(log);
}

class LyricsTest : public EngineTest {
protected:
    // Loads the song and returns its words.
    const CSongLyrics& Load(const Bytes& song) {
        EXPECT_TRUE(Open(song));
        return sequencer->GetLyrics();
    }
};

TEST_F(LyricsTest, LyricEventsOfEveryTrackAreSungWhenPlaybackSendsThem) {
    // The tempo doubles at tick 96: "lo" at 250 ms, "World" at 500 + 125 ms,
    // sent with a note. A karaoke mark and text do not count beside them.
    const Bytes tempo = Concat({kTempo500000,
                                Meta(0, 0x01, "@KMIDI KARAOKE FILE"),
                                {0x60, 0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90},
                                kEndOfTrack});
    const Bytes voice = Concat({Meta(0, 0x05, "Hel"),
                                Meta(48, 0x01, "text"),
                                Meta(0, 0x05, "lo\r"),
                                Meta(96, 0x05, "World"),
                                {0x00, 0x90, 0x3C, 0x64},
                                kEndOfTrack});
    const CSongLyrics& lyrics = Load(song_bytes::Song(96, {tempo, voice}));
    EXPECT_FALSE(lyrics.FromWordsTrack());
    EXPECT_EQ(Shown(lyrics), (std::vector<std::string>{"Hel", "lo", "/", "World"}));
    std::vector<std::uint32_t> times;
    for (const LyricToken& token : lyrics.Tokens())
        times.push_back(token.time_ms);
    EXPECT_EQ(times, (std::vector<std::uint32_t>{0, 250, 250, 625}));

    // The last syllable is reached in the very period that sends its note,
    // at normal tempo and at twice the tempo within a period.
    for (int percent : {100, 200}) {
        sequencer->SetTempoPercent(percent);
        PlayerPlay();
        recording->Clear();
        int reached_at = -1, sent_at = -1;
        for (int period = 0; period < 700 && sent_at < 0; ++period) {
            Periods(1);
            if (reached_at < 0 && lyrics.Tokens().back().time_ms < PlayerGetPlayTime())
                reached_at = period;
            if (Count("90 3C 64") > 0)
                sent_at = period;
        }
        EXPECT_GE(sent_at, 0);
        EXPECT_LE(std::abs(reached_at - sent_at), percent == 100 ? 0 : 1) << percent;
        PlayerStop();
    }
}

TEST_F(LyricsTest, AKaraokeFilesWordsTrackGivesTitlesLinesAndVerses) {
    const Bytes first =
        Concat({Meta(0, 0x03, "Song"), Meta(0, 0x01, "@KMIDI KARAOKE FILE"), kEndOfTrack});
    const Bytes words = Concat(
        {Meta(0, 0x03, "Words"), Meta(0, 0x01, "@LENGL"), Meta(0, 0x01, "@TTwinkle"),
         Meta(0, 0x01, "@TTraditional"), Meta(10, 0x01, "\\Twin"), Meta(10, 0x01, "kle "),
         Meta(10, 0x01, "/lit"), Meta(10, 0x01, "tle"), Meta(10, 0x01, "\\star"), kEndOfTrack});
    const Bytes other = Concat({Meta(0, 0x01, "not words"), kEndOfTrack});
    const std::vector<std::string> expected = {"@Twinkle", "@Traditional", "\\",  "Twin", "kle ",
                                               "/",        "lit",          "tle", "\\",   "star"};
    EXPECT_EQ(Shown(Load(song_bytes::Song(96, {first, words, other}))), expected);
    EXPECT_TRUE(sequencer->GetLyrics().FromWordsTrack());
    EXPECT_STREQ(sequencer->GetTitle(), "Song");

    // Without the name, the marked file's track with the most texts.
    const Bytes unnamed = Concat({Meta(0, 0x03, "Vocal"), Meta(0, 0x01, "@TTwinkle"),
                                  Meta(0, 0x01, "one"), Meta(0, 0x01, "two"), kEndOfTrack});
    EXPECT_EQ(Shown(Load(song_bytes::Song(96, {first, unnamed, other}))),
              (std::vector<std::string>{"@Twinkle", "one", "two"}));
    // Texts without the mark or the name are no words; nor is a bare song.
    EXPECT_FALSE(Load(song_bytes::Song(96, {other, unnamed})).HasWords());
    EXPECT_FALSE(Load(song_bytes::Song(96, {kEndOfTrack})).HasWords());
}

TEST(SongLyrics, TheEncodingIsDecidedOnceForTheWholeSong) {
    const CSongLyrics utf8 = Lyrics({"\xE6\xAD\x8C", "x"});  // 歌 in UTF-8
    EXPECT_EQ(utf8.Encoding(), LyricEncoding::kUtf8);
    EXPECT_EQ(Shown(utf8), (std::vector<std::string>{"\x89\xCC", "x"}));
    const CSongLyrics cp932 = Lyrics({"\x89\xCC", "\xB1"});  // 歌, half-width a
    EXPECT_EQ(cp932.Encoding(), LyricEncoding::kCp932);
    EXPECT_EQ(Shown(cp932), (std::vector<std::string>{"\x89\xCC", "\xB1"}));
    const CSongLyrics latin1 =
        Lyrics({"2\xD7"
                "3",
                "caf\xE9"});  // × CP932 holds, é not
    EXPECT_EQ(latin1.Encoding(), LyricEncoding::kLatin1);
    EXPECT_EQ(Shown(latin1), (std::vector<std::string>{"2\x81\x7E"
                                                       "3",
                                                       "caf?"}));
    // Neither UTF-8 nor Shift-JIS, and UTF-8 beside a Latin-1 byte: Latin-1.
    EXPECT_EQ(Shown(Lyrics({"\x80\xFF"})), (std::vector<std::string>{"??"}));
    const CSongLyrics mixed = Lyrics({"\xE6\xAD\x8C", "\xE9"});
    EXPECT_EQ(mixed.Encoding(), LyricEncoding::kLatin1);
    EXPECT_NE(Shown(mixed)[0], "\x89\xCC");
}

TEST(SongLyrics, ControlBytesEndASyllableAndLineEndsBreakIt) {
    const std::string long_text(255, 'a');
    EXPECT_EQ(Shown(Lyrics(
                  {std::string("ab\0cd", 5), "ab\r\ncd", "", "\x01x", "e\tf", long_text, "\n\rg"})),
              (std::vector<std::string>{"ab", "ab", "/", "cd", "e", long_text, "/", "/", "g"}));
    EXPECT_FALSE(Lyrics({"", std::string("\0x", 2)}).HasWords());
    EXPECT_FALSE(Lyrics({"\r\n"}).HasWords());
}

}  // namespace
