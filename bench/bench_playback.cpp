// Real-time playback accuracy: a generated song of several minutes plays
// through the recording device on the real 1 ms timer. The same song played
// first with hand-fired periods on the hand-driven clock gives every
// message's due time (its period number times 1 ms after the start message);
// each real message is compared with its due time.
//
// Usage: bench_playback [--seconds N] [--each]
//   --seconds N  length of the song (default 305 s, at least five minutes)
//   --each       also print every message's error
#include <sys/prctl.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_songs.h"
#include "bench/bench_support.h"
#include "midi/player.h"
#include "midi/sequencer.h"
#include "platform/winmm.h"

namespace {

constexpr const char* kStartMessage = "F0 7E 7F 09 01 F7";

struct Message {
    double time_us;
    std::string text;
};

// Messages from the start message on, with times relative to it.
std::vector<Message> FromStartMessage(const std::vector<platform::MidiRecordEntry>& entries) {
    std::vector<Message> messages;
    bool started = false;
    double start_us = 0;
    for (const auto& entry : entries) {
        const bool is_message = entry.text.size() >= 2 && entry.text.find(' ') == 2;
        if (!is_message)
            continue;
        if (!started && entry.text == kStartMessage) {
            started = true;
            start_us = static_cast<double>(entry.time_us);
        }
        if (started)
            messages.push_back({static_cast<double>(entry.time_us) - start_us, entry.text});
    }
    return messages;
}

// Plays the loaded song to its end with hand-fired periods: the due schedule.
std::vector<Message> DueSchedule(platform::MidiRecording& recording) {
    platform::UseManualClock(true);
    platform::UseManualTimers(true);
    recording.Clear();
    PlayerPlay();
    while (PlayerIsPlaying())
        platform::FireManualTimers(1);
    PlayerStop();
    platform::UseManualTimers(false);
    platform::UseManualClock(false);
    return FromStartMessage(recording.Entries());
}

struct RealRun {
    std::vector<Message> messages;
    double wall_seconds = 0;
    double cpu_seconds = 0;
};

// Plays the loaded song to its end on the real timer.
RealRun PlayInRealTime(platform::MidiRecording& recording) {
    recording.Clear();
    RealRun run;
    const double cpu_before = bench::ProcessCpuSeconds();
    const double wall_before = bench::WallSeconds();
    PlayerPlay();
    // The song has ended once no track is active any more.
    while (PlayerIsPlaying())
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    run.wall_seconds = bench::WallSeconds() - wall_before;
    run.cpu_seconds = bench::ProcessCpuSeconds() - cpu_before;
    PlayerStop();
    run.messages = FromStartMessage(recording.Entries());
    return run;
}

// What 1,000 bare wake-ups a second cost on this machine: a thread that only
// sleeps to absolute 1 ms deadlines, as the timer does. The playback figure
// cannot go below it.
double WakeUpFloorPercent(double seconds) {
    double cpu = 0;
    std::thread sleeper([&] {
        prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
        const double cpu_before = bench::ThreadCpuSeconds();
        timespec deadline{};
        clock_gettime(CLOCK_MONOTONIC, &deadline);
        for (int period = 0; period < seconds * 1000; ++period) {
            deadline.tv_nsec += 1'000'000;
            if (deadline.tv_nsec >= 1'000'000'000) {
                deadline.tv_nsec -= 1'000'000'000;
                ++deadline.tv_sec;
            }
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr);
        }
        cpu = bench::ThreadCpuSeconds() - cpu_before;
    });
    sleeper.join();
    return cpu / seconds * 100;
}

}  // namespace

int main(int argc, char** argv) {
    const double song_seconds = bench::NumberArgument(argc, argv, "--seconds", 305);
    const bool print_each = bench::FlagArgument(argc, argv, "--each");

    auto recording = platform::InstallMidiRecording(1);
    CSequencer sequencer;
    const song_bytes::TempFile song(bench::LongSong(song_seconds));
    if (!PlayerOpen(song.Path())) {
        std::fprintf(stderr, "bench_playback: the generated song did not load\n");
        return 1;
    }

    const std::vector<Message> due = DueSchedule(*recording);
    const double song_ms = due.empty() ? 0 : due.back().time_us / 1000;
    std::printf("bench_playback: %zu messages over %.1f s (load average %s)\n", due.size(),
                song_ms / 1000, bench::LoadAverage().c_str());
    std::fflush(stdout);

    const RealRun run = PlayInRealTime(*recording);
    PlayerClose();
    platform::RemoveMidiRecording();

    if (run.messages.size() != due.size()) {
        std::printf("  the real run sent %zu messages, the due schedule %zu\n", run.messages.size(),
                    due.size());
    }
    const std::size_t count = std::min(run.messages.size(), due.size());
    std::vector<double> errors_ms;
    errors_ms.reserve(count);
    std::size_t mismatched = 0;
    // The start message is where time is measured from: its own error is 0 by definition.
    for (std::size_t i = 1; i < count; ++i) {
        if (run.messages[i].text != due[i].text)
            ++mismatched;
        const double error_ms = (run.messages[i].time_us - due[i].time_us) / 1000;
        errors_ms.push_back(error_ms);
        if (print_each)
            std::printf("%10.3f ms due, error %+8.3f ms  %s\n", due[i].time_us / 1000, error_ms,
                        run.messages[i].text.c_str());
    }
    if (mismatched != 0)
        std::printf("  %zu messages differ from the due schedule's\n", mismatched);

    const bench::Spread spread = bench::SpreadOf(errors_ms);
    const double drift_ms = errors_ms.empty() ? 0 : errors_ms.back();
    const double cpu_percent = run.wall_seconds > 0 ? run.cpu_seconds / run.wall_seconds * 100 : 0;
    bench::TargetBoard board;
    bench::TargetBoard::Figure("send time minus due time, min", spread.min, "ms");
    std::size_t over_1ms = 0, over_3ms = 0;
    for (double error : errors_ms) {
        over_1ms += error > 1;
        over_3ms += error > 3;
    }
    std::printf("  messages late by more than 1 ms: %zu, by more than 3 ms: %zu, of %zu\n",
                over_1ms, over_3ms, errors_ms.size());
    bench::TargetBoard::Figure("send time minus due time, p50", spread.p50, "ms");
    board.AtMost("send time minus due time, p99", spread.p99, 1, "ms");
    board.AtMost("send time minus due time, max", spread.max, 3, "ms");
    board.AtMost("drift of the last event", drift_ms, 2, "ms");
    board.AtMost("process CPU per second of playback", cpu_percent, 2, "%");
    board.AtLeast("song length", song_ms / 1000, 300, "s");
    bench::TargetBoard::Figure("wall time of the real run", run.wall_seconds, "s");
    bench::TargetBoard::Figure("floor: 1,000 bare wake-ups a second", WakeUpFloorPercent(5), "%");
    board.Summary("bench_playback");
    return 0;
}
