// Sequence files played by the program from the file selector: what sounds
// is what the converter makes of the same bytes. The third-party collection's
// songs, and a song of ours in the newer layout for a clone without them.
#include "tests/rcp_e2e/rcp_song_fixture.h"
#include "tests/support/third_party_songs.h"

namespace rcp_e2e {
namespace {

struct RealSong {
    const char* label;
    const char* file;
    int listen_ms;       // how long the song plays before Escape (past any set-up stretch)
    bool plays_through;  // the whole song fits in that time
};

class SoundsAsConverted : public SongFolder {
protected:
    // Plays `bytes` saved as `file` for `listen_ms` and compares what sounded
    // with the conversion: all of it when the song `plays_through`, else the
    // start of every channel's notes.
    void Check(const std::string& file, const std::string& bytes, int listen_ms,
               bool plays_through) {
        ASSERT_FALSE(bytes.empty()) << file;
        songs_.WriteFile(file, bytes);
        const rcpcv_test::SmfFile converted =
            rcpcv_test::ConvertBytes(std::vector<uint8_t>(bytes.begin(), bytes.end()));
        ASSERT_EQ(converted.error, "");
        const NotesByChannel expected = NotesOf(converted);

        e2e::RunOptions options;
        options.working_folder = songs_.Path();
        const int at = Open(options.script, 1500, 0, IndexOf(file));
        options.script.push_back({at + listen_ms, "ESCAPE"});
        e2e::NivraProcess nivra(options);
        ASSERT_EQ(nivra.WaitForExit(), 0) << nivra.Stderr();
        const NotesByChannel heard = NotesOf(e2e::ReadMidiLog(nivra.MidiLogPath()));

        if (plays_through) {
            EXPECT_EQ(heard, expected);
            return;
        }
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
};

TEST_F(SoundsAsConverted, BuiltSixByteRecordScale) {
    const std::vector<uint8_t> song = rcpcv_test::SixByteScaleSong();
    Check("SCALE.RCP", AsString(song), 5000, true);
}

class RealSequenceFile : public SoundsAsConverted, public testing::WithParamInterface<RealSong> {};

TEST_P(RealSequenceFile, SoundsAsConverted) {
    NIVRA_SKIP_WITHOUT_THIRD_PARTY_SONGS();
    const RealSong& song = GetParam();
    Check(song.file, support::ReadThirdPartySong(std::string("rcp/") + song.file), song.listen_ms,
          song.plays_through);
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
