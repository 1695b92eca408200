// The exact time the sequencer gives each message: when it fell due in the
// song, not the timer period that sent it, through tempo changes, SMPTE time
// and a tempo factor.

#include "engine_fixture.h"
#include "tests/support/click_song.h"

namespace {

struct TimingCase {
    bool smpte;
    int tempo_percent;
};

class EventTimeTest : public EngineTest, public ::testing::WithParamInterface<TimingCase> {};

TEST_P(EventTimeTest, EveryHitFallsDueAtItsTimeInTheSong) {
    const support::ClickSong song = support::MakeClickSong(40, 3, GetParam().smpte);
    sequencer->SetTempoPercent(GetParam().tempo_percent);
    OpenAndPlay(song.bytes);
    Periods(60'000);
    std::vector<std::uint64_t> due;
    for (const auto& entry : recording->Entries())
        if (entry.text == "99 4B 7F")
            due.push_back(entry.due_ns);
    ASSERT_EQ(due.size(), song.hit_seconds.size());
    const double scale = 100.0 / GetParam().tempo_percent;
    for (std::size_t i = 0; i < due.size(); ++i) {
        const double exact_ns = song.hit_seconds[i] * 1e9 * scale;
        // Whole microseconds are kept across a tempo change: a few of them
        // at most, far below a sample period.
        EXPECT_NEAR(static_cast<double>(due[i] - due[0]), exact_ns, 5'000.0) << "hit " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(TempoChangesSmpteAndFactor, EventTimeTest,
                         ::testing::Values(TimingCase{false, 100}, TimingCase{true, 100},
                                           TimingCase{false, 150}),
                         [](const ::testing::TestParamInfo<TimingCase>& info) {
                             return std::string(info.param.smpte ? "Smpte" : "TempoMap") +
                                    std::to_string(info.param.tempo_percent);
                         });

// After the loop's jump back the period goes on one loop length earlier in
// the song: the hits of the second pass fall due one loop length after the
// first pass's, at a tempo whose ticks are no whole number of microseconds.
TEST_F(EngineTest, HitsAfterALoopsJumpBackFallDueAtTheirTimeInThePlay) {
    using song_bytes::Events;
    constexpr std::uint32_t kTempo = 333'333;  // 1 tick = 333.333 us at division 1000
    sequencer->SetLoopSettings(LoopSettings{LoopMode::kCount, 2, 0});
    OpenAndPlay(song_bytes::Song(1000, {Events()
                                            .Tempo(0, kTempo)
                                            .At(0, {0x99, 0x4B, 0x7F})
                                            .At(100, {0xB0, 0x6F, 0x00})
                                            .At(0, {0x99, 0x4B, 0x7F})
                                            .At(150, {0x99, 0x4B, 0x7F})
                                            .End(150)}));
    Periods(1'000);
    std::vector<std::uint64_t> due;
    for (const auto& entry : recording->Entries())
        if (entry.text == "99 4B 7F")
            due.push_back(entry.due_ns);
    // Ticks 0, 100 and 250, then 100 and 250 again a loop (300 ticks) later.
    const std::vector<double> ticks = {0, 100, 250, 400, 550};
    ASSERT_EQ(due.size(), ticks.size());
    for (std::size_t i = 0; i < due.size(); ++i)
        EXPECT_NEAR(static_cast<double>(due[i] - due[0]), ticks[i] * kTempo, 5'000.0)
            << "hit " << i;
}

}  // namespace

// The periods the sequencer says send nothing, which the timer sleeps
// through, never hold a message, across tempo changes and a tempo factor;
// most periods of a sparse song are among them.
TEST_F(EngineTest, PeriodsSaidQuietSendNothing) {
    const support::ClickSong song = support::MakeClickSong(40, 3, false);
    sequencer->SetTempoPercent(135);
    OpenAndPlay(song.bytes);
    std::uint64_t quiet_total = 0;
    std::uint64_t periods = 0;
    while (periods < 40'000) {
        const std::uint64_t quiet = sequencer->QuietPeriodsAhead();
        const std::size_t sent = recording->Entries().size();
        Periods(static_cast<unsigned>(quiet));
        ASSERT_EQ(recording->Entries().size(), sent) << "period " << periods;
        Periods(1);
        quiet_total += quiet;
        periods += quiet + 1;
    }
    std::size_t hits = 0;
    for (const auto& entry : recording->Entries())
        hits += entry.text == "99 4B 7F" ? 1 : 0;
    EXPECT_EQ(hits, song.hit_seconds.size());
    EXPECT_GT(quiet_total, periods * 3 / 4);
}
