// What one look at the player costs the main thread when it tells the
// desktop's media controls what changed: the player's facts read and turned
// into the state the bus reads (title converted from Shift-JIS, file URI),
// with a song of the largest size loaded and playing on the recording device.
//
// Usage: bench_media_state [--looks N]   (default 20000 looks)
#include <cstdio>
#include <filesystem>
#include <vector>

#include "app/media_state.h"
#include "bench/bench_songs.h"
#include "bench/bench_support.h"
#include "midi/player.h"
#include "midi/sequencer.h"
#include "panels/song_start.h"
#include "platform/files.h"
#include "platform/winmm.h"

int main(int argc, char** argv) {
    const int looks = static_cast<int>(bench::NumberArgument(argc, argv, "--looks", 20000));
    const song_bytes::TempFile song(bench::SongOfSize(CSequencer::MAX_SONG_BYTES), "SONG.MID");
    auto recording = platform::InstallMidiRecording(1);
    CSequencer sequencer;
    const std::filesystem::path native(song.Path());
    const SongPlace place{platform::ProgramPathOfNative(native.parent_path().string()),
                          native.filename().string()};
    if (!StartSong(place) || DescribePlayer(ReadPlayerFacts()).track.url.empty()) {
        std::fprintf(stderr, "bench_media_state: the song did not start\n");
        return 1;
    }

    std::vector<double> times_us;
    times_us.reserve(static_cast<std::size_t>(looks));
    std::size_t checksum = 0;
    for (int i = 0; i < looks; ++i) {
        const double before = bench::WallSeconds();
        const platform::MprisState state = DescribePlayer(ReadPlayerFacts());
        times_us.push_back((bench::WallSeconds() - before) * 1e6);
        checksum += state.track.title.size();
    }
    PlayerClose();
    platform::RemoveMidiRecording();

    const bench::Spread spread = bench::SpreadOf(times_us);
    std::printf("bench_media_state: %d looks at a playing song (load average %s, checksum %zu)\n",
                looks, bench::LoadAverage().c_str(), checksum);
    bench::TargetBoard board;
    bench::TargetBoard::Figure("look, p50", spread.p50, "us");
    // Looks come every 20 ms; a look of 100 us would be half a percent of the thread.
    board.AtMost("look, p99", spread.p99, 100, "us");
    board.Summary("bench_media_state");
    return 0;
}
