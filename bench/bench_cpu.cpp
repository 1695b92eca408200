// Processor time of the real program, headless: at rest on the file list of
// the demo folder, playing a dense real song through the software synth into
// SDL's dummy audio driver, and playing it through a desktop sound server (a
// private PulseAudio server with a null sink) beside TiMidity++ and
// FluidSynth's own player, when installed, playing the same song with the
// same SoundFont (TimGM6mb). CPU time (user plus system) is read from /proc
// over a window after start-up, for the whole process and for each of its
// threads, so the figures hold on a loaded machine as well. Also at rest in a
// real window, on an X server without a screen (Xvfb) of its own, when
// installed.
//
// Usage: bench_cpu [--seconds N] [--runs N] [--song FILE] [--program FILE]
//                  [--cases rest,window,dummy,server,timidity,fluidsynth]
//   --seconds N  length of each measured window (default 20 at rest and into
//                the dummy driver, 25 through the sound server)
//   --runs N     runs of each case, the cases taking turns; the median is
//                reported (default 3)
//   --song FILE  the song to play (default a dense orchestral song of the
//                shared test data)
//   --program FILE  the program to measure (default build/nivra), so that
//                a copy of an earlier build can be compared
//   --cases LIST which cases to measure (default all): at rest, at rest in
//                a window, into the dummy driver, through the server, and the other players
//                through the server (nivra's goal there is TiMidity++'s figure
//                when it was measured, else what it took where the goal was set)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_support.h"
#include "bench/child_process.h"
#include "bench/pulse_server.h"
#include "tests/support/nivra_process.h"

namespace {

constexpr const char* kDefaultSong =
    NIVRA_TESTDATA_DIR "/valid/gh-Tonejs-Midi__concerto_for_orchestra_1.mid";
constexpr const char* kSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
// Start-up, and the song's load when one is given on the command line.
constexpr double kWarmUpSeconds = 3;
// The window through the sound server, and the rate of its null sink.
constexpr double kServerSeconds = 25;
constexpr int kServerRate = 44100;
// What TiMidity++ took for this song through a sound server where the goal
// was set: the goal where TiMidity++ is not installed.
constexpr double kTimidityPercentElsewhere = 5.2;

void Sleep(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

// The name and user plus system seconds of /proc/<pid>[/task/<tid>]/stat.
struct StatFigures {
    std::string name;
    double cpu_seconds = 0;
};

StatFigures StatOf(const std::string& stat_path) {
    std::ifstream in(stat_path);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The name in parentheses may hold spaces: count fields after its end.
    const std::size_t name_start = text.find('(');
    const std::size_t name_end = text.rfind(')');
    if (name_start == std::string::npos || name_end == std::string::npos)
        return {};
    StatFigures figures;
    figures.name = text.substr(name_start + 1, name_end - name_start - 1);
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
    figures.cpu_seconds = (user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
    return figures;
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
    StatFigures stat;
    double switches = 0;
};

std::map<int, ThreadFigures> ThreadsOf(pid_t pid) {
    std::map<int, ThreadFigures> threads;
    const std::string folder = "/proc/" + std::to_string(pid) + "/task";
    std::error_code failed;
    for (const auto& entry : std::filesystem::directory_iterator(folder, failed)) {
        const std::string tid = entry.path().filename().string();
        threads[std::stoi(tid)] = {StatOf(entry.path().string() + "/stat"),
                                   VoluntarySwitchesOf(entry.path().string() + "/status")};
    }
    return threads;
}

struct ThreadWindow {
    std::string name;
    double percent = 0;
    double wakeups_per_second = 0;
};

struct Window {
    double process_percent = 0;
    // In the order the threads were made (the main thread first).
    std::vector<ThreadWindow> threads;
};

Window Measure(pid_t pid, double seconds) {
    const std::string stat = "/proc/" + std::to_string(pid) + "/stat";
    const double cpu_before = StatOf(stat).cpu_seconds;
    const auto threads_before = ThreadsOf(pid);
    const double wall_before = bench::WallSeconds();
    Sleep(seconds);
    const double cpu_after = StatOf(stat).cpu_seconds;
    const auto threads_after = ThreadsOf(pid);
    const double wall = bench::WallSeconds() - wall_before;
    Window window;
    window.process_percent = (cpu_after - cpu_before) / wall * 100;
    for (const auto& [tid, after] : threads_after) {
        const auto found = threads_before.find(tid);
        const ThreadFigures before =
            found == threads_before.end() ? ThreadFigures{} : found->second;
        // Only the main thread is told apart by its id: the program's other
        // threads bear its name (the frame thread wakes 60 times a second,
        // the timer's 1,000), SDL's audio thread and the synth's their own.
        window.threads.push_back({tid == pid ? "main" : after.stat.name,
                                  (after.stat.cpu_seconds - before.stat.cpu_seconds) / wall * 100,
                                  (after.switches - before.switches) / wall});
    }
    return window;
}

using Environment = std::map<std::string, std::string>;

// One run of the program: at rest when `song` is empty, else playing it.
std::string program_path = e2e::ProgramPath();

bool RunNivra(const std::string& song, const Environment& environment, double seconds,
              Window& window) {
    e2e::RunOptions options;
    options.program = program_path;
    options.timeout_seconds = static_cast<int>(seconds) + 60;
    options.extra_environment = environment;
    options.extra_environment["NIVRA_SOUNDFONT"] = kSoundFont;
    // A user's program writes no MIDI log, whose line a message (flushed
    // each time) would cost the timer thread a system call, and follows no
    // input file, whose new lines the main thread looks for every 20 ms.
    options.removed_environment = {"NIVRA_MIDI_LOG", "NIVRA_INPUT"};
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

// Another player, which must still be playing when the window ends.
bool RunPlayer(const std::vector<std::string>& command, const Environment& environment,
               double seconds, Window& window) {
    bench::ChildProcess player(command, environment);
    Sleep(kWarmUpSeconds);
    if (player.Wait(0) != -1) {
        std::fprintf(stderr, "bench_cpu: %s ended early\n", command[0].c_str());
        return false;
    }
    window = Measure(player.Pid(), seconds);
    if (player.Wait(0) != -1) {
        std::fprintf(stderr, "bench_cpu: %s ended before the window did\n", command[0].c_str());
        return false;
    }
    player.Stop(SIGTERM, 5);
    return true;
}

// "name 1.23 % 344/s" for each thread that used the processor or woke up.
std::string ThreadFiguresOf(const Window& window) {
    std::string text;
    char figure[96];
    for (const ThreadWindow& thread : window.threads) {
        if (thread.percent < 0.005 && thread.wakeups_per_second < 0.5)
            continue;
        std::snprintf(figure, sizeof figure, "%s%s %.2f %% %.0f/s", text.empty() ? "" : ", ",
                      thread.name.c_str(), thread.percent, thread.wakeups_per_second);
        text += figure;
    }
    return text;
}

struct Case {
    const char* label;
    std::function<bool(Window&)> run_once;
};

// Runs each case `runs` times, taking turns, so that a machine whose speed
// drifts over the minutes weighs on every case alike; the median of each
// case's process percent, or a negative number when none of its runs
// succeeded.
std::vector<double> MeasureCases(const std::vector<Case>& cases, int runs) {
    std::vector<std::vector<double>> percents(cases.size());
    for (int run = 0; run < runs; ++run) {
        for (std::size_t i = 0; i < cases.size(); ++i) {
            Window window;
            if (!cases[i].run_once(window)) {
                std::printf("  %s: run %d failed\n", cases[i].label, run + 1);
                continue;
            }
            std::printf("  %s, run %d: %.2f %% (threads: %s)\n", cases[i].label, run + 1,
                        window.process_percent, ThreadFiguresOf(window).c_str());
            percents[i].push_back(window.process_percent);
        }
    }
    std::vector<double> medians;
    for (const std::vector<double>& figures : percents)
        medians.push_back(figures.empty() ? -1 : bench::SpreadOf(figures).p50);
    return medians;
}

double MeasureCase(const char* label, int runs, const std::function<bool(Window&)>& run_once) {
    return MeasureCases({{label, run_once}}, runs).front();
}

bool Wanted(const std::string& cases, const std::string& name) {
    return ("," + cases + ",").find("," + name + ",") != std::string::npos;
}

// Every player through one private sound server: the same song, the same
// SoundFont, the same window. nivra's goal is TiMidity++'s figure.
void MeasureThroughServer(const std::string& song, const std::string& cases, double seconds,
                          int runs, bench::TargetBoard& board) {
    if (!bench::OnPath("pulseaudio")) {
        std::printf("  no pulseaudio (scripts/bootstrap installs it): sound server not measured\n");
        return;
    }
    support::ScratchFolder scratch("nivra-cpu");
    const bench::PulseServer server(scratch, kServerRate);
    if (!server.Ready()) {
        std::printf("  the private PulseAudio server did not start\n");
        return;
    }
    const Environment environment = server.Environment();
    Environment nivra_environment = environment;
    nivra_environment["SDL_AUDIODRIVER"] = "pulseaudio";
    std::vector<Case> players;
    if (Wanted(cases, "timidity") && bench::OnPath("timidity"))
        players.push_back({"TiMidity++ through the server", [&](Window& window) {
                               return RunPlayer({"timidity", "-OO", "-x",
                                                 std::string("soundfont ") + kSoundFont, song},
                                                environment, seconds, window);
                           }});
    if (Wanted(cases, "fluidsynth") && bench::OnPath("fluidsynth"))
        players.push_back({"FluidSynth through the server", [&](Window& window) {
                               return RunPlayer({"fluidsynth", "-a", "pulseaudio", "-i", "-q", "-n",
                                                 kSoundFont, song},
                                                environment, seconds, window);
                           }});
    if (Wanted(cases, "server"))
        players.push_back({"nivra through the server", [&](Window& window) {
                               return RunNivra(song, nivra_environment, seconds, window);
                           }});
    const std::vector<double> medians = MeasureCases(players, runs);
    double timidity = -1;
    double nivra = -1;
    for (std::size_t i = 0; i < players.size(); ++i) {
        const std::string label = players[i].label;
        if (label.rfind("nivra", 0) == 0) {
            nivra = medians[i];
            continue;
        }
        if (label.rfind("TiMidity++", 0) == 0)
            timidity = medians[i];
        if (medians[i] >= 0)
            bench::TargetBoard::Figure(players[i].label, medians[i], "%");
    }
    if (!Wanted(cases, "server"))
        return;
    // Without TiMidity++ here, what it took for this song on the machine
    // where the goal was set.
    board.AtMost("nivra through the server", nivra >= 0 ? nivra : 100,
                 timidity >= 0 ? timidity : kTimidityPercentElsewhere, "%");
}

// An X server of its own without a screen, for the program's window: Xvfb
// chooses a free display and says which once it takes connections.
class VirtualDisplay {
public:
    explicit VirtualDisplay(const support::ScratchFolder& scratch)
        : number_file_((scratch / "display").string()),
          server_({"Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"},
                  {}, number_file_) {
        for (int wait = 0; wait < 500 && name_.empty(); ++wait) {
            Sleep(0.01);
            std::ifstream in(number_file_);
            std::string number;
            if (std::getline(in, number) && !in.eof() && !number.empty())
                name_ = ":" + number;
        }
    }
    ~VirtualDisplay() { server_.Stop(SIGTERM, 5); }
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    // The display's name (":99"), empty when the server did not start.
    const std::string& Name() const { return name_; }

private:
    std::string number_file_;
    bench::ChildProcess server_;
    std::string name_;
};

// At rest on the file list in a window, drawn through SDL as on a desktop.
// The X server's own time is not counted.
void MeasureInWindow(int runs, double seconds) {
    if (!bench::OnPath("Xvfb")) {
        std::printf("  no Xvfb (scripts/bootstrap installs it): the window not measured\n");
        return;
    }
    support::ScratchFolder scratch("nivra-cpu-window");
    const VirtualDisplay display(scratch);
    if (display.Name().empty()) {
        std::printf("  Xvfb did not start: the window not measured\n");
        return;
    }
    const Environment environment = {
        {"DISPLAY", display.Name()}, {"SDL_VIDEODRIVER", "x11"}, {"NIVRA_VIDEO", "window"}};
    const double window = MeasureCase("at rest in a window", runs, [&](Window& figures) {
        return RunNivra("", environment, seconds, figures);
    });
    if (window >= 0)
        bench::TargetBoard::Figure("at rest in a window", window, "%");
}

}  // namespace

int main(int argc, char** argv) {
    // Each run's line as it ends, also into a file.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const double window_seconds = bench::NumberArgument(argc, argv, "--seconds", 0);
    const int runs = std::max(1, static_cast<int>(bench::NumberArgument(argc, argv, "--runs", 3)));
    std::string song = kDefaultSong;
    std::string cases = "rest,window,dummy,server,timidity,fluidsynth";
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--song")
            song = argv[i + 1];
        if (std::string(argv[i]) == "--program")
            program_path = argv[i + 1];
        if (std::string(argv[i]) == "--cases")
            cases = argv[i + 1];
    }
    const double seconds = window_seconds > 0 ? window_seconds : 20;
    std::printf("bench_cpu (load average %s): %d run(s) of each case, CPU %% of one core\n",
                bench::LoadAverage().c_str(), runs);
    bench::TargetBoard board;
    if (Wanted(cases, "rest")) {
        const double rest = MeasureCase("at rest on the file list", runs, [&](Window& window) {
            return RunNivra("", {}, seconds, window);
        });
        board.AtMost("at rest on the file list", rest >= 0 ? rest : 100, 1, "%");
    }
    if (Wanted(cases, "window"))
        MeasureInWindow(runs, seconds);
    if (!std::filesystem::exists(song) || !std::filesystem::exists(kSoundFont)) {
        std::printf("  no song or no TimGM6mb SoundFont: playing not measured\n");
        board.Summary("bench_cpu");
        return 0;
    }
    std::printf("  playing %s\n", song.c_str());
    if (Wanted(cases, "dummy")) {
        const double dummy =
            MeasureCase("playing into the dummy driver", runs,
                        [&](Window& window) { return RunNivra(song, {}, seconds, window); });
        board.AtMost("playing into the dummy driver", dummy >= 0 ? dummy : 100,
                     kTimidityPercentElsewhere, "%");
    }
    if (Wanted(cases, "server") || Wanted(cases, "timidity") || Wanted(cases, "fluidsynth"))
        MeasureThroughServer(song, cases, window_seconds > 0 ? window_seconds : kServerSeconds,
                             runs, board);
    board.Summary("bench_cpu");
    return 0;
}
