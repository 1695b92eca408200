// The candidates for the default sound side by side: each SoundFont loaded
// through the synth's own creation path in a fresh process, with what it
// holds (General MIDI programs, GS variations, drum kits, sample rates) and
// what it costs (time and memory to be ready, and then to have every preset
// chosen once), with samples read on first use (the first sound of a run) and
// all at load (a sound that replaces another).
//
// Usage: bench_soundfonts [FILE...]   (default: the Debian candidates installed)
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/synth_config.h"

namespace {

const char* const kCandidates[] = {
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
    "/usr/share/sounds/sf2/FluidR3_GS.sf2",
    "/usr/share/sounds/sf3/MuseScore_General_Lite.sf3",
};

long FileKb(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? static_cast<long>(info.st_size / 1024) : -1;
}

// One SoundFont in a child process, so each starts with nothing loaded.
void Measure(const std::string& path, bool all_at_load) {
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        const platform::SoundFontFigures f = platform::MeasureSoundFont(path, all_at_load);
        const std::string name = path.substr(path.rfind('/') + 1);
        if (!f.problem.empty())
            std::printf("%-28s %s\n", name.c_str(), f.problem.c_str());
        else
            std::printf("%-28s %5s %7ld %3d %4d %4d %5d-%-5d %3s %7.3f %7ld %7.3f %7ld\n",
                        name.c_str(), all_at_load ? "all" : "first", FileKb(path), f.gm_programs,
                        f.gs_variations, f.drum_kits, f.min_sample_rate, f.max_sample_rate,
                        f.compressed ? "yes" : "no", f.load_seconds, f.loaded_kb / 1024,
                        f.all_presets_seconds, f.all_presets_kb / 1024);
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> paths(argv + 1, argv + argc);
    if (paths.empty())
        for (const char* candidate : kCandidates)
            if (FileKb(candidate) >= 0)
                paths.emplace_back(candidate);
    std::printf("%-28s %5s %7s %3s %4s %4s %11s %3s %7s %7s %7s %7s\n", "SoundFont", "reads", "KB",
                "GM", "GSv", "kits", "rates Hz", "sf3", "load s", "MB", "all s", "all MB");
    for (const std::string& path : paths) {
        Measure(path, false);
        Measure(path, true);
    }
    return 0;
}
