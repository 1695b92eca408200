// How soon `nivra SONG` is heard: the real program started headless on a song
// whose first note is at its very start, timed from the program's start to
// that note in its MIDI log (sent only once the synth's sound is ready), with
// the program's resident memory at that moment beside it.
//
// Usage: bench_first_note [--runs N] [--soundfont FILE] [--program PATH]
//   (default 10 runs, /usr/share/sounds/sf2/FluidR3_GM.sf2, the build's nivra)
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_support.h"
#include "tests/midi/song_bytes.h"

namespace {

namespace fs = std::filesystem;

const char* Argument(int argc, char** argv, const char* name, const char* fallback) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0)
            return argv[i + 1];
    return fallback;
}

// A note on channel 1 at the song's first tick.
song_bytes::Bytes NoteAtStart() {
    return song_bytes::Song(
        96, {{0x00, 0x90, 0x3C, 0x64, 0x60, 0x80, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00}});
}

// The microseconds of the log's first note-on, or -1 when there is none yet.
long long FirstNoteMicros(const fs::path& log) {
    std::ifstream in(log);
    long long micros = 0;
    std::string rest;
    while (in >> micros && std::getline(in, rest)) {
        unsigned status = 0, key = 0, velocity = 0;
        if (std::sscanf(rest.c_str(), " %x %x %x", &status, &key, &velocity) == 3 &&
            (status & 0xF0) == 0x90 && velocity > 0)
            return micros;
    }
    return -1;
}

long ResidentKbOf(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

struct Run {
    double first_note_s = -1;
    long resident_kb = 0;
};

Run RunOnce(const std::string& program, const std::string& soundfont, const fs::path& folder) {
    const fs::path log = folder / "midi.log";
    fs::remove(log);
    const pid_t child = fork();
    if (child == 0) {
        setenv("NIVRA_VIDEO", "headless", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
        setenv("NIVRA_MIDI_LOG", log.c_str(), 1);
        setenv("NIVRA_SOUNDFONT", soundfont.c_str(), 1);
        if (chdir(folder.c_str()) != 0)
            _exit(127);
        execl(program.c_str(), program.c_str(), "--no-config", "song.mid",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    Run run;
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < give_up) {
        if (const long long micros = FirstNoteMicros(log); micros >= 0) {
            run.first_note_s = static_cast<double>(micros) / 1e6;
            run.resident_kb = ResidentKbOf(child);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = static_cast<int>(bench::NumberArgument(argc, argv, "--runs", 10));
    const std::string soundfont =
        Argument(argc, argv, "--soundfont", "/usr/share/sounds/sf2/FluidR3_GM.sf2");
    const std::string program = Argument(argc, argv, "--program", NIVRA_BINARY_DIR "/nivra");
    const song_bytes::TempFile song(NoteAtStart(), "song.mid");
    const fs::path folder = fs::path(song.Path()).parent_path();

    std::vector<double> seconds;
    std::vector<double> resident_mb;
    for (int i = 0; i < runs; ++i) {
        const Run run = RunOnce(program, soundfont, folder);
        if (run.first_note_s < 0) {
            std::fprintf(stderr, "bench_first_note: run %d played no note\n", i + 1);
            return 1;
        }
        seconds.push_back(run.first_note_s);
        resident_mb.push_back(static_cast<double>(run.resident_kb) / 1024);
    }
    const bench::Spread time = bench::SpreadOf(seconds);
    const bench::Spread memory = bench::SpreadOf(resident_mb);
    std::printf("first note of 'nivra SONG' with %s, %d runs\n", soundfont.c_str(), runs);
    std::printf("  seconds from start: p50 %.3f  max %.3f  min %.3f\n", time.p50, time.max,
                time.min);
    std::printf("  resident memory then: p50 %.1f MB  max %.1f MB\n", memory.p50, memory.max);
    std::printf("  target 0.300 s: %s\n", time.p50 <= 0.3 ? "met" : "NOT met");
    return 0;
}
