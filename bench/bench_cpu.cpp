// Processor time of the real program, headless: at rest on the file list of
// the demo folder, and playing a real song through the software synth (the
// dummy audio driver, TimGM6mb pinned). CPU time (user plus system) is read
// from /proc over a window after start-up, for the whole process and for
// each of its threads, so the figures hold on a loaded machine as well.
//
// Usage: bench_cpu [--seconds N] [--runs N] [--song FILE] [--program FILE]
//   --seconds N  length of each measured window (default 20)
//   --runs N     runs of each case; the median is reported (default 3)
//   --song FILE  the song to play (default a dense orchestral song of the
//                shared test data)
//   --program FILE  the program to measure (default build/nivra), so that
//                a copy of an earlier build can be compared
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_support.h"
#include "tests/support/nivra_process.h"

namespace {

constexpr const char* kDefaultSong =
    NIVRA_TESTDATA_DIR "/valid/gh-Tonejs-Midi__concerto_for_orchestra_1.mid";
constexpr const char* kSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
// Start-up, and the song's load when one is given on the command line.
constexpr double kWarmUpSeconds = 3;

void Sleep(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

// User plus system clock ticks of /proc/<pid>[/task/<tid>]/stat.
double CpuSecondsOf(const std::string& stat_path) {
    std::ifstream in(stat_path);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The name in parentheses may hold spaces: count fields after its end.
    const std::size_t name_end = text.rfind(')');
    if (name_end == std::string::npos)
        return 0;
    std::istringstream fields(text.substr(name_end + 2));
    std::string field;
    double user = 0, system = 0;
    for (int index = 3; fields >> field; ++index) {
        if (index == 14)
            user = std::stod(field);
        if (index == 15) {
            system = std::stod(field);
            break;
        }
    }
    return (user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// The times a thread gave up the processor of its own accord: its wake-ups,
// a figure the machine's load does not change.
double VoluntarySwitchesOf(const std::string& status_path) {
    std::ifstream in(status_path);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
            return std::stod(line.substr(line.find(':') + 1));
    return 0;
}

struct ThreadFigures {
    double cpu_seconds = 0;
    double switches = 0;
};

std::map<int, ThreadFigures> ThreadsOf(pid_t pid) {
    std::map<int, ThreadFigures> threads;
    const std::string folder = "/proc/" + std::to_string(pid) + "/task";
    std::error_code failed;
    for (const auto& entry : std::filesystem::directory_iterator(folder, failed)) {
        const std::string tid = entry.path().filename().string();
        threads[std::stoi(tid)] = {CpuSecondsOf(entry.path().string() + "/stat"),
                                   VoluntarySwitchesOf(entry.path().string() + "/status")};
    }
    return threads;
}

struct Window {
    double process_percent = 0;
    // Per thread, in the order the threads were made (the main thread first).
    std::vector<double> thread_percents;
    std::vector<double> thread_wakeups_per_second;
};

Window Measure(pid_t pid, double seconds) {
    const std::string stat = "/proc/" + std::to_string(pid) + "/stat";
    const double cpu_before = CpuSecondsOf(stat);
    const auto threads_before = ThreadsOf(pid);
    const double wall_before = bench::WallSeconds();
    Sleep(seconds);
    const double cpu_after = CpuSecondsOf(stat);
    const auto threads_after = ThreadsOf(pid);
    const double wall = bench::WallSeconds() - wall_before;
    Window window;
    window.process_percent = (cpu_after - cpu_before) / wall * 100;
    for (const auto& [tid, after] : threads_after) {
        const auto found = threads_before.find(tid);
        const ThreadFigures before =
            found == threads_before.end() ? ThreadFigures{} : found->second;
        window.thread_percents.push_back((after.cpu_seconds - before.cpu_seconds) / wall * 100);
        window.thread_wakeups_per_second.push_back((after.switches - before.switches) / wall);
    }
    return window;
}

// One run of the program: at rest when `song` is empty, else playing it.
std::string program_path = e2e::ProgramPath();

bool RunOnce(const std::string& song, double seconds, Window& window) {
    e2e::RunOptions options;
    options.program = program_path;
    options.timeout_seconds = static_cast<int>(seconds) + 60;
    options.extra_environment["NIVRA_SOUNDFONT"] = kSoundFont;
    // A user's program writes no MIDI log, whose line a message (flushed
    // each time) would cost the timer thread a system call.
    options.removed_environment = {"NIVRA_MIDI_LOG"};
    options.arguments = {"--no-config"};
    if (!song.empty())
        options.arguments.push_back(song);
    e2e::NivraProcess program(options);
    Sleep(kWarmUpSeconds);
    if (!program.Running()) {
        std::fprintf(stderr, "bench_cpu: the program ended early:\n%s\n", program.Stderr().c_str());
        return false;
    }
    window = Measure(program.Pid(), seconds);
    program.Signal(SIGTERM);
    return program.WaitForExit() == 0;
}

std::string Figures(const std::vector<double>& values, const char* format) {
    std::string text;
    char figure[32];
    for (double value : values) {
        if (!text.empty())
            text += ' ';
        std::snprintf(figure, sizeof figure, format, value);
        text += figure;
    }
    return text;
}

void MeasureCase(const char* label, const std::string& song, double seconds, int runs, double goal,
                 bench::TargetBoard& board) {
    std::vector<Window> windows;
    for (int run = 0; run < runs; ++run) {
        Window window;
        if (!RunOnce(song, seconds, window)) {
            std::printf("  %s: run %d failed\n", label, run + 1);
            continue;
        }
        std::printf("  %s, run %d: %.2f %% (threads: %s %%; wake-ups/s: %s)\n", label, run + 1,
                    window.process_percent, Figures(window.thread_percents, "%.2f").c_str(),
                    Figures(window.thread_wakeups_per_second, "%.0f").c_str());
        windows.push_back(window);
    }
    if (windows.empty()) {
        board.AtMost(label, 100, goal, "%");
        return;
    }
    std::vector<double> percents;
    for (const Window& window : windows)
        percents.push_back(window.process_percent);
    board.AtMost(label, bench::SpreadOf(percents).p50, goal, "%");
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = bench::NumberArgument(argc, argv, "--seconds", 20);
    const int runs = std::max(1, static_cast<int>(bench::NumberArgument(argc, argv, "--runs", 3)));
    std::string song = kDefaultSong;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--song")
            song = argv[i + 1];
        if (std::string(argv[i]) == "--program")
            program_path = argv[i + 1];
    }
    std::printf("bench_cpu (load average %s): %d run(s) of %.0f s each, CPU %% of one core\n",
                bench::LoadAverage().c_str(), runs, seconds);
    bench::TargetBoard board;
    MeasureCase("at rest on the file list", "", seconds, runs, 1, board);
    if (std::filesystem::exists(song) && std::filesystem::exists(kSoundFont)) {
        std::printf("  playing %s\n", song.c_str());
        // The goal: no more than TiMidity++ took for a dense song here (5.2 %).
        MeasureCase("playing a song", song, seconds, runs, 5.2, board);
    } else {
        std::printf("  no song or no TimGM6mb SoundFont: playing not measured\n");
    }
    board.Summary("bench_cpu");
    return 0;
}
