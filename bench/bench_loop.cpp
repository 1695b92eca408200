// The cost of a loop's jump back: a generated song of about a minute, looped
// from a sixth of the way in to its end, plays forever on hand-fired periods
// into the recording device. Every period is timed on the wall clock; those
// that jump back (releasing the held notes, the tracks put back at the
// loop's start and its first events sent) are set against the others.
//
// Usage: bench_loop [--seconds N] [--passes N]
#include <cstdio>
#include <vector>

#include "bench/bench_songs.h"
#include "bench/bench_support.h"
#include "midi/player.h"
#include "midi/sequencer.h"
#include "platform/winmm.h"

namespace {

// The song with one more track that marks the loop's start with controller 111.
song_bytes::Bytes LoopedSong(double seconds) {
    song_bytes::Bytes song = bench::LongSong(seconds);
    const std::uint32_t start = bench::TicksForSeconds(seconds) / 6;
    song_bytes::Bytes marks = song_bytes::VarLen(start);
    marks.insert(marks.end(), {0xB0, 0x6F, 0x00, 0x00, 0xFF, 0x2F, 0x00});
    const song_bytes::Bytes chunk = song_bytes::Chunk(marks);
    song.insert(song.end(), chunk.begin(), chunk.end());
    const int tracks = (song[10] << 8 | song[11]) + 1;
    song[10] = static_cast<std::uint8_t>(tracks >> 8);
    song[11] = static_cast<std::uint8_t>(tracks);
    return song;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = bench::NumberArgument(argc, argv, "--seconds", 60);
    const int passes = static_cast<int>(bench::NumberArgument(argc, argv, "--passes", 20));

    auto recording = platform::InstallMidiRecording(1);
    platform::UseManualClock(true);
    platform::UseManualTimers(true);
    CSequencer sequencer;
    LoopSettings loops;
    loops.mode = LoopMode::kForever;
    sequencer.SetLoopSettings(loops);
    const song_bytes::TempFile song(LoopedSong(seconds));
    if (!PlayerOpen(song.Path()) || !sequencer.GetLoopProgress().active) {
        std::fprintf(stderr, "bench_loop: the generated song did not load with its loop\n");
        return 1;
    }
    std::printf("bench_loop: %.1f s of song, %d passes (load average %s)\n",
                static_cast<double>(sequencer.GetSongLengthMs()) / 1000, passes,
                bench::LoadAverage().c_str());

    PlayerPlay();
    std::vector<double> ordinary_ms, jump_ms;
    int pass = sequencer.GetLoopProgress().pass;
    while (pass <= passes) {
        recording->Clear();  // keeps the recording's own cost flat
        for (int i = 0; i < 1000; ++i) {
            const double before = bench::WallSeconds();
            platform::FireManualTimers(1);
            const double took_ms = (bench::WallSeconds() - before) * 1000;
            const int now = sequencer.GetLoopProgress().pass;
            (now > pass && pass > 0 ? jump_ms : ordinary_ms).push_back(took_ms);
            pass = now;
        }
    }
    PlayerStop();
    PlayerClose();
    platform::UseManualTimers(false);
    platform::UseManualClock(false);
    platform::RemoveMidiRecording();

    const bench::Spread ordinary = bench::SpreadOf(ordinary_ms);
    const bench::Spread jump = bench::SpreadOf(jump_ms);
    bench::TargetBoard board;
    std::printf("  %zu periods, %zu of them jumping back\n", ordinary_ms.size() + jump_ms.size(),
                jump_ms.size());
    bench::TargetBoard::Figure("period, p50", ordinary.p50, "ms");
    bench::TargetBoard::Figure("period, p99", ordinary.p99, "ms");
    bench::TargetBoard::Figure("period that jumps back, p50", jump.p50, "ms");
    bench::TargetBoard::Figure("period that jumps back, max", jump.max, "ms");
    board.AtMost("delay of a jump back (max minus period p50)", jump.max - ordinary.p50, 0.1, "ms");
    board.Summary("bench_loop");
    return 0;
}
