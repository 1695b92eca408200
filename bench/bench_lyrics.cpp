// The cost of a song's words at load: loading a song with 5,000 lyric
// syllables against the same song without them and against it with 5,000
// marker events in their place, which the silent run at load passes over as
// it does the syllables but keeps nothing of (CSequencer::Load, onto the
// recording device); and the viewer's layout of those words into lines.
//
// On a shared machine the loads are best compared interleaved:
//   bench_lyrics --benchmark_enable_random_interleaving=true --benchmark_repetitions=30
#include <benchmark/benchmark.h>

#include <memory>

#include "bench/bench_songs.h"
#include "midi/sequencer.h"
#include "panels/lyric_lines.h"
#include "platform/winmm.h"

namespace {

constexpr int kSyllables = 5000;
constexpr double kSongSeconds = 500;

// The long song of the benchmarks, and once more with a words track: a
// syllable (a kana in UTF-8) every few ticks, eight to a line.
bench::Bytes WithWordsTrack(const bench::Bytes& plain, std::uint8_t type) {
    const std::uint32_t ticks = bench::TicksForSeconds(kSongSeconds);
    bench::TrackBytes words;
    words.Meta(0, 0x03, "Words");
    const std::uint32_t step = ticks / kSyllables;
    for (int i = 0; i < kSyllables; ++i)
        words.Meta(i == 0 ? 0 : step, type, i % 8 == 7 ? "\xE3\x82\x89\r" : "\xE3\x82\x89 ");
    words.End(ticks - step * (kSyllables - 1));
    // Same header and tracks, one track more.
    bench::Bytes song = plain;
    song[11] = static_cast<std::uint8_t>(song[11] + 1);
    const bench::Bytes chunk = song_bytes::Chunk(words.Data());
    song.insert(song.end(), chunk.begin(), chunk.end());
    return song;
}

struct Songs {
    Songs() {
        const bench::Bytes plain = bench::LongSong(kSongSeconds);
        without_words = std::make_unique<song_bytes::TempFile>(plain);
        with_markers = std::make_unique<song_bytes::TempFile>(WithWordsTrack(plain, 0x06));
        with_words = std::make_unique<song_bytes::TempFile>(WithWordsTrack(plain, 0x05));
    }
    std::unique_ptr<song_bytes::TempFile> without_words;
    std::unique_ptr<song_bytes::TempFile> with_markers;
    std::unique_ptr<song_bytes::TempFile> with_words;
};

const Songs& BenchSongs() {
    static const Songs songs;
    return songs;
}

void Load(benchmark::State& state, const song_bytes::TempFile& song, std::size_t syllables) {
    auto recording = platform::InstallMidiRecording(1);
    CSequencer sequencer;
    for (auto _ : state) {
        if (!sequencer.Load(song.Path())) {
            state.SkipWithError("the song did not load");
            break;
        }
        recording->Clear();
    }
    std::size_t count = 0;
    for (const LyricToken& token : sequencer.GetLyrics().Tokens())
        count += token.kind == LyricTokenKind::kSyllable;
    if (count != syllables)
        state.SkipWithError("the song's words were read wrongly");
    state.counters["syllables"] = static_cast<double>(count);
    sequencer.Unload();
    platform::RemoveMidiRecording();
}

void BM_LoadSongWithoutWords(benchmark::State& state) {
    Load(state, *BenchSongs().without_words, 0);
}
BENCHMARK(BM_LoadSongWithoutWords)->Unit(benchmark::kMillisecond);

void BM_LoadSongWith5000Markers(benchmark::State& state) {
    Load(state, *BenchSongs().with_markers, 0);
}
BENCHMARK(BM_LoadSongWith5000Markers)->Unit(benchmark::kMillisecond);

void BM_LoadSongWith5000Syllables(benchmark::State& state) {
    Load(state, *BenchSongs().with_words, kSyllables);
}
BENCHMARK(BM_LoadSongWith5000Syllables)->Unit(benchmark::kMillisecond);

// What the viewer adds when the song's load is announced.
void BM_LayOutTheWordsOf5000Syllables(benchmark::State& state) {
    auto recording = platform::InstallMidiRecording(1);
    CSequencer sequencer;
    if (!sequencer.Load(BenchSongs().with_words->Path())) {
        state.SkipWithError("the song did not load");
        return;
    }
    CLyricLines lines;
    for (auto _ : state) {
        lines.Build(sequencer.GetLyrics());
        benchmark::DoNotOptimize(lines.Lines().size());
    }
    state.counters["lines"] = static_cast<double>(lines.Lines().size());
    sequencer.Unload();
    platform::RemoveMidiRecording();
}
BENCHMARK(BM_LayOutTheWordsOf5000Syllables)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
