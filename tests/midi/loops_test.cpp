// Loop points found at load, the jump back, the passes and the fade, and the
// length and jumps of the played timeline, with hand-fired periods (1 tick =
// 1 ms in these songs: division 1000 at the start tempo).
#include "engine_fixture.h"
#include "midi/channel_monitor.h"

using namespace song_bytes;

using ::testing::ElementsAre;

namespace {

// Intro note at 0, loop start (controller 111) at 100 with a note, a note
// at 150 held over the loop's end, the song's own volume at 300, end at 400.
Bytes LoopSong() {
    return Song(1000, {Events()
                           .At(0, {0xC0, 0x05})
                           .At(0, {0xB0, 0x07, 0x64})
                           .At(0, {0x90, 0x30, 0x40})
                           .At(100, {0x80, 0x30, 0x00})
                           .At(0, {0xB0, 0x6F, 0x00})
                           .At(0, {0x90, 0x3C, 0x40})
                           .At(50, {0x90, 0x3E, 0x40})
                           .At(150, {0xB0, 0x07, 0x50})
                           .End(100)});
}

LoopSettings Loops(LoopMode mode, int count = 2, int fade_seconds = 1) {
    LoopSettings settings;
    settings.mode = mode;
    settings.count = count;
    settings.fade_seconds = fade_seconds;
    return settings;
}

class LoopTest : public EngineTest {
protected:
    // Messages with the period they went out in (the clock reads 1 ms after
    // the start message in the first).
    std::vector<std::pair<std::int64_t, std::string>> Timed() const {
        std::vector<std::pair<std::int64_t, std::string>> out;
        std::uint64_t start = 0;
        for (const auto& e : recording->Entries()) {
            if (e.text == "F0 7E 7F 09 01 F7")
                start = e.time_us;
            else if (e.text.size() > 2 && e.text[2] == ' ')
                out.push_back({static_cast<std::int64_t>((e.time_us - start) / 1000) - 1, e.text});
        }
        return out;
    }
    // The loop the loaded song has, as its length with two passes and no
    // fade shows it: the start plus twice the body (0: none).
    std::int64_t TwoPassLength(const Bytes& song) {
        sequencer->SetLoopSettings(Loops(LoopMode::kCount, 2, 0));
        EXPECT_TRUE(Open(song));
        return sequencer->GetLoopProgress().active ? sequencer->GetSongLengthMs() : 0;
    }
};

TEST_F(LoopTest, EachConventionIsFoundAndDecoysAreIgnored) {
    struct Case {
        const char* name;
        Bytes track;
        std::int64_t two_pass_length;
    };
    // Every song ends at tick 2000 on the first track.
    const Bytes end = Events().End(2000);
    const Case cases[] = {
        {"111 on several channels: the first", Events().At(500, {0xB3, 0x6F, 0x00}).End(0), 0},
        {"110 and 111", Events().At(300, {0xB0, 0x6E, 0x00}).At(600, {0xB0, 0x6F, 0x00}).End(0),
         300 + 2 * 600},
        {"110 alone", Events().At(300, {0xB0, 0x6E, 0x00}).End(0), 0},
        {"111 before 110: 111 alone",
         Events().At(300, {0xB0, 0x6F, 0x00}).At(100, {0xB0, 0x6E, 0x00}).End(0), 300 + 2 * 1700},
        {"116 and 117", Events().At(100, {0xB0, 0x74, 0x00}).At(500, {0xB0, 0x75, 0x00}).End(0),
         100 + 2 * 500},
        {"a body of 1 tick", Events().At(100, {0xB0, 0x74, 0x00}).At(1, {0xB0, 0x75, 0x00}).End(0),
         0},
        {"markers in any case, nested",
         Events()
             .Marker(100, "LOOPSTART")
             .Marker(100, "loopstart")
             .Marker(100, "loopEnd")
             .Marker(100, "LoopEnd")
             .End(0),
         100 + 2 * 200},
        {"markers that are no loop marks",
         Events().Marker(100, "loopStarts").Marker(100, "end").End(0), 0},
        {"an end before the start", Events().Marker(100, "loopEnd").Marker(300, "loopStart").End(0),
         0},
        {"a start at the song's end", Events().At(2000, {0xB0, 0x6F, 0x00}).End(0), 0},
        {"markers win over crossing controllers",
         Events()
             .At(100, {0xB0, 0x74, 0x00})
             .Marker(100, "loopStart")
             .At(100, {0xB0, 0x75, 0x00})
             .Marker(100, "loopEnd")
             .End(0),
         200 + 2 * 200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes other = Events().At(200, {0xB5, 0x6F, 0x00}).End(0);
        const bool several = std::string(c.name).rfind("111 on", 0) == 0;
        const Bytes song = several ? Song(1000, {end, c.track, other}) : Song(1000, {end, c.track});
        EXPECT_EQ(TwoPassLength(song), several ? 200 + 2 * 1800 : c.two_pass_length);
    }

    // 20,000 controller 111 from tick 0 on: one loop, from the first, ends
    // and releases its notes as any other.
    Events many;
    many.At(0, {0x90, 0x3C, 0x40}).At(0, {0xB0, 0x6F, 0x00});
    for (int i = 1; i < 20000; ++i)
        many.Raw({0x00, 0x6F, 0x00});
    const Bytes hostile = Song(1000, {many.End(100)});
    EXPECT_EQ(TwoPassLength(hostile), 200);
    PlayerPlay();
    while (PlayerIsPlaying() && PlayerGetPlayTime() < 1000)
        Periods(10);
    EXPECT_FALSE(PlayerIsPlaying());
    EXPECT_EQ(Count("90 3C 40"), 2);
    EXPECT_EQ(Count("80 3C 00"), 2);
}

TEST_F(LoopTest, JumpBackPassesAndFadeFollowTheSchedule) {
    sequencer->SetLoopSettings(Loops(LoopMode::kCount, 2, 1));
    OpenAndPlay(LoopSong());
    const std::uint32_t ends = sequencer->GetEndCount();
    EXPECT_EQ(sequencer->GetSongLengthMs(), 100 + 2 * 300 + 1000);
    std::vector<int> passes;
    for (int period = 0; period <= 700; ++period) {
        Periods(1);
        if (period % 50 == 0)
            passes.push_back(sequencer->GetLoopProgress().pass);
    }
    // Seamless: at the loop's end the held notes are released and the loop's
    // start (with the intro note's own release) follows in the same period,
    // with no reset and no start message.
    using P = std::pair<std::int64_t, std::string>;
    EXPECT_THAT(Timed(), ElementsAre(P{0, "C0 05"}, P{0, "B0 07 64"}, P{0, "90 30 40"},
                                     P{100, "80 30 00"}, P{100, "B0 6F 00"}, P{100, "90 3C 40"},
                                     P{150, "90 3E 40"}, P{300, "B0 07 50"}, P{400, "80 3C 00"},
                                     P{400, "80 3E 00"}, P{400, "80 30 00"}, P{400, "B0 6F 00"},
                                     P{400, "90 3C 40"}, P{450, "90 3E 40"}, P{600, "B0 07 50"},
                                     P{700, "80 3C 00"}, P{700, "80 3E 00"}, P{700, "80 30 00"},
                                     P{700, "B0 6F 00"}, P{700, "90 3C 40"}));
    EXPECT_EQ(Count("reset"), 1);
    EXPECT_THAT(passes, ElementsAre(0, 0, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 3));
    EXPECT_EQ(sequencer->GetSongTimeMs(), 101u);
    EXPECT_EQ(PlayerGetPlayTime(), 701u);

    // The fade: the channel volume falls from the song's 80 to 0 over the
    // second, a step at least every 20 ms, the song's own volume at 300 ms
    // into the pass scaled as it goes out; the monitor shows the song's.
    recording->Clear();
    Periods(1000);
    EXPECT_TRUE(PlayerIsPlaying());
    std::int64_t last_ms = 700;
    for (const auto& [ms, text] : Timed()) {
        if (text.rfind("B0 07 ", 0) != 0)
            continue;
        const int value = std::stoi(text.substr(6), nullptr, 16);
        const double expected = 80.0 * (1000 - (ms - 700)) / 1000;
        EXPECT_NEAR(value, expected, 1.0) << ms;
        EXPECT_LE(ms - last_ms, 20) << ms;
        last_ms = ms;
    }
    EXPECT_EQ(last_ms, 1700);
    EXPECT_EQ(recording->Messages().back(), "80 3E 00");  // every note released
    EXPECT_EQ(Count("B0 07 40"), 2);  // the step at 900 ms, and the song's 80 there at 0.8
    EXPECT_EQ(GetChannelMonitor().GetChannelInfo(0)->volume, 0x50);
    Periods(1);
    EXPECT_FALSE(PlayerIsPlaying());
    EXPECT_EQ(sequencer->GetEndCount(), ends + 1);
    EXPECT_GT(sequencer->GetLoopProgress().pass, 2);  // past the last: the fade's
}

TEST_F(LoopTest, LengthFollowsTheModeAndJumpsCrossPasses) {
    ASSERT_TRUE(Open(LoopSong()));
    EXPECT_EQ(sequencer->GetSongLengthMs(), 400);  // loops off: as the song is
    EXPECT_FALSE(sequencer->GetLoopProgress().active);
    sequencer->SetLoopSettings(Loops(LoopMode::kForever));
    EXPECT_EQ(sequencer->GetSongLengthMs(), 400);
    sequencer->SetLoopSettings(Loops(LoopMode::kCount, 3, 8));
    EXPECT_EQ(sequencer->GetSongLengthMs(), 100 + 3 * 300 + 8000);
    sequencer->SetLoopSettings(Loops(LoopMode::kCount, 2, 1));

    // Into the second pass: the state the first pass left, then on from there.
    PlayerPlay();
    recording->Clear();
    sequencer->SeekMs(550);
    EXPECT_THAT(Messages(), ElementsAre("F0 7E 7F 09 01 F7", "C0 05", "B0 07 50", "B0 6F 00"));
    EXPECT_EQ(PlayerGetPlayTime(), 550u);
    EXPECT_EQ(sequencer->GetSongTimeMs(), 250u);
    EXPECT_EQ(sequencer->GetLoopProgress().pass, 2);
    Periods(151);
    EXPECT_THAT(SongMessages(), ElementsAre("C0 05", "B0 07 50", "B0 6F 00", "B0 07 50", "80 30 00",
                                            "B0 6F 00", "90 3C 40"));

    // Into the fade: the volumes go out at its factor; it ends on time.
    recording->Clear();
    sequencer->SeekMs(1200);
    std::vector<std::string> chase = {"F0 7E 7F 09 01 F7"};
    for (const char* channel :
         {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "A", "B", "C", "D", "E", "F"})
        chase.push_back(std::string("B") + channel + " 07 32");  // the default 100, halved
    chase.insert(chase.end(), {"C0 05", "B0 07 28", "B0 6F 00"});
    EXPECT_EQ(Messages(), chase);
    Periods(501);
    EXPECT_FALSE(PlayerIsPlaying());

    // Forever: no end; a jump far ahead lands in its pass.
    sequencer->SetLoopSettings(Loops(LoopMode::kForever));
    sequencer->SeekMs(100 + 300 * 1000 + 10);
    EXPECT_EQ(sequencer->GetLoopProgress().pass, 1001);
    EXPECT_EQ(sequencer->GetSongTimeMs(), 110u);
    // Loops off meanwhile: the song plays on to its end from where it is.
    sequencer->SetLoopSettings(Loops(LoopMode::kOff));
    Periods(400);
    EXPECT_FALSE(PlayerIsPlaying());
}

}  // namespace
