// Rendering speed: `nivra --render` beside FluidSynth's own `fluidsynth -F`
// on the same song, SoundFont and machine, in one run.
//
//   build/bench/bench_render [--seconds 120] [--runs 3] [--soundfont FILE]
// The song is generated here (eight channels with drums, tempo changes);
// each program renders it to a 16-bit WAV file `--runs` times and the best
// run of each counts (the least disturbed by other work on the machine).
// Reported: wall time, processor time and speed (seconds of song per second);
// the target is a shorter wall time than fluidsynth -F's. Both spend nearly
// all their time inside FluidSynth's voices, so nivra's lead comes from
// sharing the voices among the cores (processor time about the same).
// The comparison is skipped when the fluidsynth program is not installed.

#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_songs.h"
#include "bench/bench_support.h"
#include "bench/child_process.h"
#include "tests/support/scratch_folder.h"

namespace {

struct Timing {
    bool ok = false;
    double wall = 1e9;
    double cpu = 1e9;
};

Timing Best(const std::vector<std::string>& command,
            const std::map<std::string, std::string>& environment, int runs,
            const std::string& errors) {
    Timing best;
    for (int run = 0; run < runs; ++run) {
        const double start = bench::WallSeconds();
        bench::ChildProcess child(command, environment, {}, errors);
        const int status = child.Wait(600);
        const double wall = bench::WallSeconds() - start;
        if (status != 0)
            return best;
        best.ok = true;
        if (wall < best.wall) {
            best.wall = wall;
            best.cpu = child.CpuSeconds();
        }
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = bench::NumberArgument(argc, argv, "--seconds", 120);
    const int runs = static_cast<int>(bench::NumberArgument(argc, argv, "--runs", 3));
    std::string soundfont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--soundfont")
            soundfont = argv[i + 1];
    support::ScratchFolder scratch("nivra-render");
    const song_bytes::Bytes bytes = bench::LongSong(seconds);
    const std::string song =
        scratch.WriteFile("song.mid", std::string(bytes.begin(), bytes.end())).string();
    const std::map<std::string, std::string> environment = {
        {"NIVRA_SOUNDFONT", soundfont},
        {"XDG_RUNTIME_DIR", scratch.Path().string()},
        {"XDG_CONFIG_HOME", scratch.Path().string()}};
    std::printf("song: %.0f s, 8 channels; SoundFont %s; best of %d; load %s\n", seconds,
                soundfont.c_str(), runs, bench::LoadAverage().c_str());

    const Timing nivra =
        Best({NIVRA_BINARY_DIR "/nivra", "--render=" + (scratch / "nivra.wav").string(), song},
             environment, runs, (scratch / "nivra.err").string());
    if (!nivra.ok) {
        std::printf("nivra --render failed (see its messages above)\n");
        return 1;
    }
    std::printf("nivra --render  %6.2f s wall  %6.2f s cpu  %6.1fx\n", nivra.wall, nivra.cpu,
                seconds / nivra.wall);
    if (!bench::OnPath("fluidsynth")) {
        std::printf("fluidsynth      not installed: comparison skipped\n");
        return 0;
    }
    const Timing fluid = Best({"fluidsynth", "-n", "-i", "-q", "-r", "44100", "-F",
                               (scratch / "fluid.wav").string(), soundfont, song},
                              environment, runs, (scratch / "fluid.err").string());
    if (!fluid.ok) {
        std::printf("fluidsynth -F failed\n");
        return 1;
    }
    std::printf("fluidsynth -F   %6.2f s wall  %6.2f s cpu  %6.1fx\n", fluid.wall, fluid.cpu,
                seconds / fluid.wall);
    const bool faster = nivra.wall < fluid.wall;
    std::printf(
        "nivra renders %.2fx as fast as fluidsynth -F (%.0f %% of its processor time): %s\n",
        fluid.wall / nivra.wall, 100 * nivra.cpu / fluid.cpu,
        faster ? "target met" : "TARGET MISSED");
    return faster ? 0 : 1;
}
