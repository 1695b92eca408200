// Loading a song of the largest size the loader reads (262,144 bytes: a
// title and tempo track and 16 note tracks) through CSequencer::Load, onto
// the recording device so the figure is the loader's own.
//
// Usage: bench_load [--loads N]   (default 500 loads)
#include <cstdio>
#include <cstring>
#include <vector>

#include "bench/bench_songs.h"
#include "bench/bench_support.h"
#include "midi/sequencer.h"
#include "platform/winmm.h"

int main(int argc, char** argv) {
    const int loads = static_cast<int>(bench::NumberArgument(argc, argv, "--loads", 500));
    const bench::Bytes bytes = bench::SongOfSize(CSequencer::MAX_SONG_BYTES);
    if (bytes.size() != CSequencer::MAX_SONG_BYTES) {
        std::fprintf(stderr, "bench_load: the generated song has %zu bytes, not %u\n", bytes.size(),
                     CSequencer::MAX_SONG_BYTES);
        return 1;
    }
    const song_bytes::TempFile song(bytes);
    auto recording = platform::InstallMidiRecording(1);
    CSequencer sequencer;

    std::vector<double> times_ms;
    times_ms.reserve(static_cast<std::size_t>(loads));
    double first_ms = 0;
    for (int i = 0; i <= loads; ++i) {
        const double before = bench::WallSeconds();
        const bool loaded = sequencer.Load(song.Path());
        const double elapsed_ms = (bench::WallSeconds() - before) * 1000;
        if (!loaded || sequencer.GetTrackCount() != 17 ||
            std::strcmp(sequencer.GetTitle(), "BENCHMARK LOAD 256 KB") != 0) {
            std::fprintf(stderr, "bench_load: load %d failed or read the song wrongly\n", i);
            return 1;
        }
        // The first load reads the file into the page cache; it is shown apart.
        if (i == 0)
            first_ms = elapsed_ms;
        else
            times_ms.push_back(elapsed_ms);
        recording->Clear();
    }
    sequencer.Unload();
    platform::RemoveMidiRecording();

    const bench::Spread spread = bench::SpreadOf(times_ms);
    std::printf("bench_load: %zu-byte song, %d tracks, %d loads (load average %s)\n", bytes.size(),
                17, loads, bench::LoadAverage().c_str());
    bench::TargetBoard board;
    bench::TargetBoard::Figure("first load", first_ms, "ms");
    bench::TargetBoard::Figure("load, p50", spread.p50, "ms");
    board.AtMost("load, p99", spread.p99, 5, "ms");
    board.AtMost("load, max", spread.max, 5, "ms");
    board.Summary("bench_load");
    return 0;
}
