// The benchmarks' own measuring tools: if these were wrong, every figure the
// benchmarks print would be too. Percentiles, the model of the frame
// schedule against the real pacer, and the generated songs against the real
// sequencer.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_songs.h"
#include "bench/bench_support.h"
#include "bench/frame_timing.h"
#include "midi/player.h"
#include "midi/sequencer.h"
#include "platform/winmm.h"
#include "tests/midi/engine_fixture.h"

namespace {

TEST(BenchSpread, NearestRankPercentiles) {
    // 990 quick values and 10 slow ones: exactly 1 % is slow, so p99 is still quick.
    std::vector<double> sample(990, 1.0);
    sample.insert(sample.end(), 10, 50.0);
    bench::Spread spread = bench::SpreadOf(sample);
    EXPECT_EQ(spread.p99, 1.0);
    EXPECT_EQ(spread.max, 50.0);
    sample.push_back(50.0);  // now more than 1 % is slow
    EXPECT_EQ(bench::SpreadOf(sample).p99, 50.0);

    spread = bench::SpreadOf({5, 1, 4, 2, 3});
    EXPECT_EQ(spread.p50, 3);
    EXPECT_EQ(spread.min, 1);
    EXPECT_EQ(spread.max, 5);
    EXPECT_EQ(spread.count, 5u);

    spread = bench::SpreadOf({});
    EXPECT_EQ(spread.count, 0u);
    EXPECT_EQ(spread.p99, 0);
}

// A millisecond clock moved only by the pacer's own waits (and by a frame
// that is made to run long).
class SteppedClock : public CFrameClock {
public:
    DWORD Now() override { return now_ms; }
    void SleepMs(DWORD ms) override { now_ms += ms; }
    void Relax() override { ++now_ms; }
    DWORD now_ms = 1000;
};

struct PacerRecord {
    CFramePacer* pacer;
    SteppedClock* clock;
    std::vector<DWORD> starts;
    std::size_t slow_frame = SIZE_MAX;
};

int NoteStart(void* context) {
    auto* record = static_cast<PacerRecord*>(context);
    record->starts.push_back(record->pacer->GetLastFrameTime());
    if (record->starts.size() == record->slow_frame)
        record->clock->now_ms += 20;
    return 0;
}

std::vector<DWORD> PacedStarts(int frames, std::size_t slow_frame = SIZE_MAX) {
    SteppedClock clock;
    CFramePacer pacer(clock);
    pacer.Init(bench::kFrameRate, NoteStart);
    PacerRecord record{&pacer, &clock, {}, slow_frame};
    for (int i = 0; i < frames; ++i)
        pacer.Step(&record);
    return record.starts;
}

TEST(BenchFrameGaps, ModelMatchesThePacersScheduleExactly) {
    CFramePacer rates;
    rates.Init(bench::kFrameRate, nullptr);
    const bench::GapFigures gaps =
        bench::GapsOf(PacedStarts(600), rates.GetPeriod(), rates.GetFraction());
    EXPECT_EQ(gaps.total, 599);
    EXPECT_EQ(gaps.in_range, 599);
    EXPECT_EQ(gaps.as_scheduled, 599) << "the benchmark's carry model drifted from the pacer's";
    EXPECT_NEAR(gaps.mean_ms, 1000.0 / 60, 0.01);
    EXPECT_EQ(gaps.histogram.size(), 2u);
}

TEST(BenchFrameGaps, ALateFrameShowsAsAGapOutOfRange) {
    CFramePacer rates;
    rates.Init(bench::kFrameRate, nullptr);
    const bench::GapFigures gaps =
        bench::GapsOf(PacedStarts(120, 50), rates.GetPeriod(), rates.GetFraction());
    EXPECT_EQ(gaps.total, 119);
    EXPECT_EQ(gaps.in_range, 118);
    EXPECT_EQ(gaps.histogram.count(20), 1u);
    EXPECT_LT(gaps.InRangePercent(), 100);
}

// The generated songs played on the real sequencer with hand-fired periods.
class BenchSongs : public EngineTest {
protected:
    // Plays for `periods` ms or to the end, whichever comes first.
    void Play(const bench::Bytes& bytes, unsigned periods) {
        ASSERT_TRUE(Open(bytes));
        PlayerPlay();
        for (unsigned i = 0; i < periods && PlayerIsPlaying(); ++i)
            Periods(1);
    }
};

TEST_F(BenchSongs, LongSongLastsAsLongAsAskedThroughItsTempoChanges) {
    Play(bench::LongSong(40), 60'000);
    EXPECT_FALSE(PlayerIsPlaying());
    std::uint64_t last_us = 0;
    int messages = 0;
    for (const auto& entry : recording->Entries()) {
        if (entry.text.find(' ') != 2)
            continue;
        last_us = entry.time_us;
        ++messages;
    }
    // The last note ends a little before the song's end of track.
    EXPECT_GT(last_us, 39'000'000u);
    EXPECT_LE(last_us, 40'100'000u);
    EXPECT_GT(messages, 3000);
    EXPECT_NE(sequencer->GetTempo(), 500'000u) << "the song ends on a later tempo of the cycle";
}

TEST_F(BenchSongs, DenseSongKeepsEveryChannelHoldingItsNotes) {
    Play(bench::DenseSong(10, 6), 3'000);
    ASSERT_TRUE(PlayerIsPlaying());
    std::array<std::array<int, 128>, 16> held{};
    for (const std::string& message : recording->Messages()) {
        unsigned status = 0, key = 0, velocity = 0;
        if (std::sscanf(message.c_str(), "%x %x %x", &status, &key, &velocity) != 3)
            continue;
        if ((status & 0xF0) == 0x90 && velocity > 0)
            ++held[status & 0x0F][key];
        else if ((status & 0xF0) == 0x80 || (status & 0xF0) == 0x90)
            --held[status & 0x0F][key];
    }
    for (int channel = 0; channel < 16; ++channel) {
        int sounding = 0;
        for (int count : held[channel])
            sounding += count;
        EXPECT_EQ(sounding, 6) << "channel " << channel + 1;
    }
}

TEST_F(BenchSongs, SongOfTheLoadersLargestSizeLoadsWhole) {
    const bench::Bytes bytes = bench::SongOfSize(CSequencer::MAX_SONG_BYTES);
    ASSERT_EQ(bytes.size(), CSequencer::MAX_SONG_BYTES);
    Play(bytes, 500'000);
    EXPECT_EQ(sequencer->GetTrackCount(), 17);
    EXPECT_STREQ(sequencer->GetTitle(), "BENCHMARK LOAD 256 KB");
    // Every track ran to its End of Track: the song closed by itself, not
    // through a read past the end of a track.
    EXPECT_FALSE(PlayerIsPlaying());
    EXPECT_TRUE(PlayerIsLoaded());
}

}  // namespace
