// The collection's real sequence files, played by the program from the file
// selector: what sounds is what the converter makes of the same bytes.
#include <fstream>
#include <iterator>

#include "tests/rcp_e2e/rcp_song_fixture.h"

namespace rcp_e2e {
namespace {

struct RealSong {
    const char* label;
    const char* file;
    int listen_ms;       // how long the song plays before Escape (past any set-up stretch)
    bool plays_through;  // the whole song fits in that time
};

std::string ReadTestSong(const std::string& name) {
    std::ifstream in(std::string(NIVRA_TESTDATA_DIR) + "/rcp/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class RealSequenceFile : public SongFolder, public testing::WithParamInterface<RealSong> {};

TEST_P(RealSequenceFile, SoundsAsConverted) {
    const RealSong& song = GetParam();
    const std::string bytes = ReadTestSong(song.file);
    ASSERT_FALSE(bytes.empty()) << song.file;
    songs_.WriteFile(song.file, bytes);
    const rcpcv_test::SmfFile converted =
        rcpcv_test::ConvertBytes(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    ASSERT_EQ(converted.error, "");
    const NotesByChannel expected = NotesOf(converted);

    e2e::RunOptions options;
    options.working_folder = songs_.Path();
    const int at = Open(options.script, 1500, 0, IndexOf(song.file));
    options.script.push_back({at + song.listen_ms, "ESCAPE"});
    e2e::NivraProcess nivra(options);
    ASSERT_EQ(nivra.WaitForExit(), 0) << nivra.Stderr();
    const NotesByChannel heard = NotesOf(e2e::ReadMidiLog(nivra.MidiLogPath()));

    if (song.plays_through) {
        EXPECT_EQ(heard, expected);
        return;
    }
    // Cut short: every channel heard the start of its converted notes, in order.
    size_t heard_count = 0;
    for (const auto& [channel, notes] : heard) {
        ASSERT_TRUE(expected.count(channel)) << "channel " << channel;
        const auto& whole = expected.at(channel);
        ASSERT_LE(notes.size(), whole.size()) << "channel " << channel;
        EXPECT_EQ(notes, std::vector(whole.begin(), whole.begin() + notes.size()))
            << "channel " << channel;
        heard_count += notes.size();
    }
    EXPECT_GE(heard_count, 20u);
}

INSTANTIATE_TEST_SUITE_P(
    Collection, RealSequenceFile,
    testing::Values(RealSong{"Scale", "gh-mucho613-recomposer-file__test_test.rcp", 5000, true},
                    RealSong{"FirstSong", "gh-mucho613-recomposer-file__test.rcp", 9500, false},
                    RealSong{"SecondSong", "gh-mucho613-recomposer-file__yuno35pr.rcp", 6500,
                             false}),
    [](const testing::TestParamInfo<RealSong>& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace rcp_e2e
