// Converting a 64 KB sequence file through the shared library, as the player's loader does.
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "rcpcv/rcpcv.h"
#include "tests/rcpcv/rcp_file_builder.h"

namespace {

// 18 tracks of notes, chords, controllers, bends, a loop and same-measure references, filled
// up to 64 KB.
std::vector<uint8_t> BuildSong() {
    rcpcv_test::RcpFileBuilder builder;
    builder.Title("BENCHMARK SONG")
        .UserExclusive(0, {0x41, 0x10, 0x42, 0x12, 0x83, 0x40, 0x00, 0x04, 0x81, 0x84, 0xF7});
    constexpr size_t kTargetBytes = 64 * 1024;
    constexpr size_t kTracks = 18;
    size_t records_per_track = (kTargetBytes - 0x586) / kTracks / 4 - 11;
    for (size_t t = 0; t < kTracks; ++t) {
        rcpcv_test::RcpFileBuilder::Track track;
        track.channel = static_cast<uint8_t>(t % 16);
        track.records.push_back({0x90, 0, 0, 0x64});
        track.records.push_back({0xEC, 0, static_cast<uint8_t>(t), 0});
        track.records.push_back({0xF9, 1, 0, 0});
        while (track.records.size() + 8 < records_per_track) {
            size_t i = track.records.size();
            uint8_t key = static_cast<uint8_t>(36 + (i * 7 + t) % 48);
            track.records.push_back({key, 0, 20, 90});
            track.records.push_back({static_cast<uint8_t>(key + 4), 12, 10, 80});
            track.records.push_back({0xEB, 0, 0x0B, static_cast<uint8_t>(i % 128)});
            track.records.push_back({0xEE, 12, 0, static_cast<uint8_t>(0x40 + i % 16)});
            track.records.push_back({0xFD, 1, 0, 0});
            track.records.push_back({0xFC, 0, 0x38, 0});  // the measure that opened the track
        }
        track.records.push_back({0xF8, 2, 0, 0});
        track.records.push_back({0xFE, 0, 0, 0});
        builder.AddTrack(track);
    }
    return builder.Build();
}

struct Library {
    void* module = nullptr;
    RcpcvConvertFileFromBufferProc convert = nullptr;
    RcpcvDeleteObjectProc release = nullptr;
};

Library& LoadLibrary() {
    static Library library = [] {
        Library loaded;
        loaded.module = dlopen(NIVRA_BINARY_DIR "/librcpcv.so", RTLD_NOW);
        if (loaded.module == nullptr) {
            std::fprintf(stderr, "cannot load librcpcv.so: %s\n", dlerror());
            std::exit(1);
        }
        loaded.convert = reinterpret_cast<RcpcvConvertFileFromBufferProc>(
            dlsym(loaded.module, "rcpcvConvertFileFromBuffer"));
        loaded.release =
            reinterpret_cast<RcpcvDeleteObjectProc>(dlsym(loaded.module, "rcpcvDeleteObject"));
        return loaded;
    }();
    return library;
}

void BM_Convert64KbSong(benchmark::State& state) {
    Library& library = LoadLibrary();
    std::vector<uint8_t> song = BuildSong();
    for (auto _ : state) {
        RcpcvHandle handle =
            library.convert(song.data(), static_cast<uint32_t>(song.size()), 0, 0, 0, 0, 0);
        if (handle == 0) {
            state.SkipWithError("conversion failed");
            break;
        }
        library.release(handle);
    }
    state.counters["file_bytes"] = static_cast<double>(song.size());
}
BENCHMARK(BM_Convert64KbSong)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
