// Seek cost and timing: jumps in a song of the loader's largest size (eight
// channels of notes, controllers, bends and tempo changes).
//
// 1. The cost of one SeekMs (the silent run to the target and the chase
//    sent), on hand-fired periods, at targets spread over the song.
// 2. On the real 1 ms timer: after each of a series of jumps, every message
//    of the following half second against its due time, which a run of the
//    same jumps on hand-fired periods gives (times from the jump's reset).
//    Every due message must arrive: one missing is one lost.
//
// Usage: bench_seek [--seeks N] [--jumps N]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_songs.h"
#include "bench/bench_support.h"
#include "midi/player.h"
#include "midi/sequencer.h"
#include "platform/winmm.h"

namespace {

constexpr std::uint64_t kWindowUs = 500'000;
// The real windows reach further, so that a message due at the very end of
// its window and sent a little late is compared rather than counted missing.
constexpr std::uint64_t kLateUs = 50'000;
constexpr std::uint64_t kPauseUs = kWindowUs + 100'000;
constexpr double kLateTargetMs = 3;

// The longest generated song that fits the loader.
song_bytes::Bytes LargestSong() {
    constexpr double kTrySeconds = 600;
    const double bytes_per_second =
        static_cast<double>(bench::LongSong(kTrySeconds).size()) / kTrySeconds;
    double seconds = CSequencer::MAX_SONG_BYTES / bytes_per_second;
    song_bytes::Bytes song = bench::LongSong(seconds);
    while (song.size() > CSequencer::MAX_SONG_BYTES)
        song = bench::LongSong(seconds *= 0.99);
    return song;
}

// Messages of the `window_us` after each jump's reset, with times from it.
std::vector<std::vector<std::pair<double, std::string>>> Windows(
    const std::vector<platform::MidiRecordEntry>& entries, std::uint64_t window_us) {
    std::vector<std::vector<std::pair<double, std::string>>> windows;
    std::uint64_t reset_us = 0;
    for (const auto& entry : entries) {
        if (entry.text == "reset") {
            windows.emplace_back();
            reset_us = entry.time_us;
            continue;
        }
        const bool is_message = entry.text.size() >= 2 && entry.text.find(' ') == 2;
        if (!windows.empty() && is_message && entry.time_us - reset_us <= window_us)
            windows.back().push_back(
                {static_cast<double>(entry.time_us - reset_us) / 1000, entry.text});
    }
    return windows;
}

}  // namespace

int main(int argc, char** argv) {
    const int seeks = static_cast<int>(bench::NumberArgument(argc, argv, "--seeks", 1000));
    const int jumps = static_cast<int>(bench::NumberArgument(argc, argv, "--jumps", 30));

    auto recording = platform::InstallMidiRecording(1);
    CSequencer sequencer;
    const song_bytes::Bytes bytes = LargestSong();
    const song_bytes::TempFile song(bytes);
    if (!PlayerOpen(song.Path())) {
        std::fprintf(stderr, "bench_seek: the generated song did not load\n");
        return 1;
    }
    const std::int64_t length_ms = sequencer.GetSongLengthMs();
    std::printf("bench_seek: %zu bytes, %.1f s of song (load average %s)\n", bytes.size(),
                static_cast<double>(length_ms) / 1000, bench::LoadAverage().c_str());

    // 1. Cost of a jump.
    platform::UseManualClock(true);
    platform::UseManualTimers(true);
    PlayerPlay();
    std::mt19937_64 random(7);
    std::uniform_int_distribution<std::int64_t> anywhere(0, length_ms);
    std::vector<double> costs_ms;
    for (int i = 0; i < seeks; ++i) {
        const std::int64_t target = i % 10 == 0 ? length_ms - 1 : anywhere(random);
        recording->Clear();
        const double before = bench::WallSeconds();
        sequencer.SeekMs(target);
        costs_ms.push_back((bench::WallSeconds() - before) * 1000);
        platform::FireManualTimers(1);
    }
    PlayerStop();

    // 2. Timing after jumps: the due windows on hand-fired periods, then real time.
    std::vector<std::int64_t> targets;
    for (int i = 0; i < jumps; ++i)
        targets.push_back(anywhere(random) * 9 / 10);
    recording->Clear();
    PlayerPlay();
    for (std::int64_t target : targets) {
        sequencer.SeekMs(target);
        platform::FireManualTimers(kWindowUs / 1000 + 10);
    }
    PlayerStop();
    const auto due = Windows(recording->Entries(), kWindowUs);
    platform::UseManualTimers(false);
    platform::UseManualClock(false);

    recording->Clear();
    PlayerPlay();
    for (std::int64_t target : targets) {
        sequencer.SeekMs(target);
        std::this_thread::sleep_for(std::chrono::microseconds(kPauseUs));
    }
    PlayerStop();
    const auto real = Windows(recording->Entries(), kWindowUs + kLateUs);
    PlayerClose();
    platform::RemoveMidiRecording();

    std::vector<double> errors_ms;
    std::size_t mismatched = 0, missing = 0;
    for (std::size_t w = 0; w < due.size() && w < real.size(); ++w) {
        const std::size_t count = std::min(due[w].size(), real[w].size());
        missing += due[w].size() - count;
        // A window with a message past the lateness target is named, so that
        // a stall of the machine (every message after it late by as much)
        // tells itself apart from a fault of the jump.
        double latest_ms = 0;
        for (std::size_t i = 0; i < count; ++i)
            latest_ms = std::max(latest_ms, real[w][i].first - due[w][i].first);
        if (latest_ms > kLateTargetMs)
            std::printf("  window %zu: %zu messages due, %zu sent, the latest %.3f ms late\n", w,
                        due[w].size(), real[w].size(), latest_ms);
        for (std::size_t i = 0; i < count; ++i) {
            mismatched += due[w][i].second != real[w][i].second;
            errors_ms.push_back(real[w][i].first - due[w][i].first);
        }
    }
    if (due.size() != real.size() || missing != 0 || mismatched != 0)
        std::printf("  windows %zu due, %zu real; %zu messages missing, %zu differ\n", due.size(),
                    real.size(), missing, mismatched);

    const bench::Spread cost = bench::SpreadOf(costs_ms);
    const bench::Spread error = bench::SpreadOf(errors_ms);
    bench::TargetBoard board;
    bench::TargetBoard::Figure("seek cost, p50", cost.p50, "ms");
    board.AtMost("seek cost, p99", cost.p99, 2, "ms");
    bench::TargetBoard::Figure("seek cost, max", cost.max, "ms");
    std::printf("  %zu messages in %zu half seconds after jumps\n", errors_ms.size(), real.size());
    bench::TargetBoard::Figure("after a jump: send minus due time, min", error.min, "ms");
    bench::TargetBoard::Figure("after a jump: send minus due time, p50", error.p50, "ms");
    board.AtMost("after a jump: send minus due time, p99", error.p99, 1, "ms");
    board.AtMost("after a jump: send minus due time, max", error.max, kLateTargetMs, "ms");
    board.Summary("bench_seek");
    return 0;
}
