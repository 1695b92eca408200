// Heard timing: how far the onsets of a click song, as a desktop sound server
// plays them, lie from the song's exact times.
//
// Runs by hand (needs pulseaudio and pulseaudio-utils, which bootstrap
// installs, and a built nivra):
//   build/bench/bench_onset [--players nivra,timidity,fluidsynth] [--runs N]
// It starts a private PulseAudio server (`pulseaudio -n` with a null sink and
// the native protocol, in a scratch XDG_RUNTIME_DIR), records the sink's
// monitor with `parec` while a player plays a click song made here (90
// claves hits at irregular ticks across three tempo changes), finds the hits'
// onsets in the recording, fits away the recording's offset and clock rate,
// and reports the remaining error's p50 and p99 against a goal of 0.8 ms.
// TiMidity++ and FluidSynth play the same song beside nivra when installed.
// BENCH_ONSET_DEBUG=1 prints each hit's time and remaining error.

#include <sys/stat.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/child_process.h"
#include "bench/pulse_server.h"
#include "tests/support/click_song.h"
#include "tests/support/scratch_folder.h"

namespace {

constexpr int kRecordRate = 48000;
constexpr double kGoalP99Ms = 0.8;
constexpr const char* kSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

// Onsets in seconds: where the level crosses a fifth of the recording's peak
// after 20 ms below it, placed between samples by linear interpolation.
std::vector<double> Onsets(const std::vector<std::int16_t>& samples) {
    int peak = 0;
    for (std::int16_t sample : samples)
        peak = std::max(peak, std::abs(static_cast<int>(sample)));
    const double threshold = peak / 5.0;
    const long quiet_needed = kRecordRate / 50;
    std::vector<double> onsets;
    long quiet = 0;
    for (std::size_t i = 1; i < samples.size(); ++i) {
        const double level = std::abs(static_cast<double>(samples[i]));
        if (level <= threshold) {
            ++quiet;
            continue;
        }
        if (quiet >= quiet_needed) {
            const double before = std::abs(static_cast<double>(samples[i - 1]));
            const double fraction = (threshold - before) / std::max(1.0, level - before);
            onsets.push_back((static_cast<double>(i) - 1 + fraction) / kRecordRate);
        }
        quiet = 0;
    }
    return onsets;
}

struct Fit {
    std::size_t matched = 0;
    std::size_t onsets = 0;
    double rate_ppm = 0;
    std::vector<double> errors_ms;
};

// Pairs each hit with the onset nearest where it is expected, following the
// recording's drift from hit to hit; a hit with no onset within 80 ms of
// that stays unpaired, and so do stray onsets (a click as a player starts).
std::vector<std::pair<double, double>> PairFrom(const std::vector<double>& onsets,
                                                const std::vector<double>& exact, double offset) {
    constexpr double kWindow = 0.08;
    std::vector<std::pair<double, double>> pairs;
    std::size_t next = 0;
    for (double hit : exact) {
        const double expected = hit + offset;
        while (next + 1 < onsets.size() && onsets[next] < expected - kWindow)
            ++next;
        if (next >= onsets.size() || std::fabs(onsets[next] - expected) > kWindow)
            continue;
        pairs.emplace_back(hit, onsets[next]);
        offset = onsets[next] - hit;
        ++next;
    }
    return pairs;
}

// The pairing with the most hits, starting from each of the first onsets
// taken for each of the first hits.
std::vector<std::pair<double, double>> Pair(const std::vector<double>& onsets,
                                            const std::vector<double>& exact) {
    std::vector<std::pair<double, double>> best;
    for (std::size_t i = 0; i < std::min<std::size_t>(onsets.size(), 6); ++i)
        for (std::size_t j = 0; j < std::min<std::size_t>(exact.size(), 6); ++j) {
            auto pairs = PairFrom(onsets, exact, onsets[i] - exact[j]);
            if (pairs.size() > best.size())
                best = std::move(pairs);
        }
    return best;
}

// Least squares onset = a + b x exact over the paired hits; the residuals
// are the timing errors once the recording's start and clock rate are taken
// away.
Fit FitOnsets(const std::vector<double>& onsets, const std::vector<double>& exact) {
    Fit fit;
    fit.onsets = onsets.size();
    const std::vector<std::pair<double, double>> pairs = Pair(onsets, exact);
    fit.matched = pairs.size();
    if (pairs.size() < 3)
        return fit;
    const double n = static_cast<double>(pairs.size());
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const auto& [x, y] : pairs) {
        sx += x;
        sy += y;
        sxx += x * x;
        sxy += x * y;
    }
    const double b = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    const double a = (sy - b * sx) / n;
    fit.rate_ppm = (b - 1) * 1e6;
    for (const auto& [x, y] : pairs) {
        fit.errors_ms.push_back(std::fabs(y - (a + b * x)) * 1000);
        if (std::getenv("BENCH_ONSET_DEBUG") != nullptr)
            std::printf("%.4f %+.3f\n", x, (y - (a + b * x)) * 1000);
    }
    return fit;
}

std::vector<std::string> PlayerCommand(const std::string& player, const std::string& song,
                                       support::ScratchFolder& scratch) {
    if (player == "nivra")
        return {std::getenv("BENCH_NIVRA") ? std::getenv("BENCH_NIVRA") : NIVRA_BINARY_DIR "/nivra",
                "--no-config", song};
    if (player == "timidity")
        return {"timidity", "-OO", "-x", std::string("soundfont ") + kSoundFont, song};
    (void)scratch;
    return {"fluidsynth", "-a", "pulseaudio", "-i", "-q", "-n", kSoundFont, song};
}

// One run of `player`: the recording's onsets fitted against the song.
Fit MeasurePlayer(const std::string& player, const bench::PulseServer& server,
                  support::ScratchFolder& scratch, const support::ClickSong& song,
                  const std::string& song_path) {
    const std::string recording = (scratch / (player + ".raw")).string();
    std::map<std::string, std::string> environment = server.Environment();
    // The recorder runs at the server's priority, so a busy machine disturbs
    // the measuring less than the players.
    bench::ChildProcess recorder(
        server.Urgent({"parec", "--device=bench.monitor", "--raw", "--format=s16le", "--channels=1",
                       "--rate=" + std::to_string(kRecordRate), "--latency-msec=20"}),
        environment, recording);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    environment["NIVRA_VIDEO"] = "headless";
    environment["SDL_AUDIODRIVER"] = "pulseaudio";
    environment["NIVRA_SOUNDFONT"] = kSoundFont;
    environment["XDG_CONFIG_HOME"] = (scratch / "config").string();
    {
        bench::ChildProcess playing(PlayerCommand(player, song_path, scratch), environment, {},
                                    (scratch / (player + ".err")).string());
        // nivra plays on until told to close; the others end with the song.
        playing.Wait(song.hit_seconds.back() + 3);
        playing.Stop(SIGTERM, 5);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    recorder.Stop(SIGINT, 5);
    std::ifstream in(recording, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    std::vector<std::int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return FitOnsets(Onsets(samples), song.hit_seconds);
}

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        if (comma > start)
            parts.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    return parts;
}

}  // namespace

int main(int argc, char** argv) {
    std::string players = "nivra,timidity,fluidsynth";
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--players") == 0)
            players = argv[i + 1];
    const int runs = static_cast<int>(bench::NumberArgument(argc, argv, "--runs", 1));
    if (!bench::OnPath("pulseaudio") || !bench::OnPath("parec")) {
        std::printf("bench_onset: needs pulseaudio and parec (scripts/bootstrap installs them)\n");
        return 1;
    }
    support::ScratchFolder scratch("nivra-onset");
    mkdir((scratch / "config").c_str(), 0700);
    const bench::PulseServer server(scratch, kRecordRate);
    if (!server.Ready()) {
        std::printf("bench_onset: the private PulseAudio server did not start\n");
        return 1;
    }
    // Two seconds before the first hit: a sound server's stream and its
    // recording take a moment to start.
    const support::ClickSong song = support::MakeClickSong(90, 3, false, 960 * 2);
    const std::string song_path =
        scratch.WriteFile("click.mid", std::string(song.bytes.begin(), song.bytes.end())).string();
    std::printf("click song: %zu hits over %.1f s, three tempo changes; load %s\n",
                song.hit_seconds.size(), song.hit_seconds.back(), bench::LoadAverage().c_str());
    int missed = 0;
    for (const std::string& player : Split(players)) {
        if (player != "nivra" && !bench::OnPath(player)) {
            std::printf("%-10s not installed, skipped\n", player.c_str());
            continue;
        }
        for (int run = 0; run < runs; ++run) {
            const Fit fit = MeasurePlayer(player, server, scratch, song, song_path);
            if (fit.matched < song.hit_seconds.size() * 9 / 10) {
                std::printf("%-10s heard %zu of %zu hits (%zu onsets): no figure\n", player.c_str(),
                            fit.matched, song.hit_seconds.size(), fit.onsets);
                ++missed;
                continue;
            }
            const bench::Spread spread = bench::SpreadOf(fit.errors_ms);
            const bool met = player != "nivra" || spread.p99 <= kGoalP99Ms;
            missed += met ? 0 : 1;
            std::printf(
                "%-10s p50 %.3f ms  p99 %.3f ms  max %.3f ms  (%zu/%zu hits, clock %+.0f "
                "ppm)%s\n",
                player.c_str(), spread.p50, spread.p99, spread.max, fit.matched,
                song.hit_seconds.size(), fit.rate_ppm,
                player == "nivra" ? (met ? "  goal met" : "  GOAL MISSED") : "");
        }
    }
    return missed == 0 ? 0 : 1;
}
