// Songs from elsewhere (NIVRA_TESTDATA_DIR): well-formed files load and play
// to their end sending every channel event they hold; wrapped files load only
// as MacBinary with type "Midi" or as RIFF 'RMID'; damaged files load or fail
// cleanly and never play on forever; real RCP files play through the
// converter library.
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>

#include "engine_fixture.h"
#include "midi/rcp_converter.h"
#include "tests/support/third_party_songs.h"

namespace fs = std::filesystem;

namespace {

const fs::path kTestData = support::kThirdPartySongs;
// Longer than any song here plays, in timer periods (one per millisecond).
// Without a Set Tempo a quarter note lasts a second, so the sound-set
// listings run for well over an hour.
constexpr unsigned kPeriodCap = 4 * 60 * 60 * 1000;

// Well-formed files that the player's reading rules play differently from
// the manifest's event count, and what those rules make of them.
struct Deviation {
    bool closes;           // a read past a track's end closes the song
    int channel_messages;  // channel messages sent before the end
};
const std::map<std::string, Deviation> kDeviations = {
    // Chunk types are not checked: the "Junk" chunk before the track is
    // taken as the one track, and its text runs off its end.
    {"valid/gh-jazz-soft-test-midi-files__test-non-midi-track.mid", {true, 0}},
    // After a meta event the running status is FF, so the events that rely
    // on an earlier channel status are read as meta events, until one such
    // length runs past the end of the track.
    {"valid/gh-jazz-soft-test-midi-files__test-running-status-metaevent.mid", {true, 8}},
};

// Channel events per file, from the "N chan events" note of the manifest.
std::map<std::string, int> ManifestChannelEvents() {
    std::map<std::string, int> counts;
    std::ifstream manifest(kTestData / "MANIFEST.tsv");
    const std::regex events(R"((\d+) chan events)");
    std::string line;
    while (std::getline(manifest, line)) {
        std::smatch match;
        if (std::regex_search(line, match, events))
            counts[line.substr(0, line.find('\t'))] = std::stoi(match[1]);
    }
    return counts;
}

std::vector<fs::path> SongsIn(const char* folder) {
    std::vector<fs::path> songs;
    if (fs::is_directory(kTestData / folder))
        for (const auto& entry : fs::directory_iterator(kTestData / folder))
            if (entry.is_regular_file())
                songs.push_back(entry.path());
    std::sort(songs.begin(), songs.end());
    return songs;
}

std::string Relative(const fs::path& song) {
    return fs::relative(song, kTestData).generic_string();
}

class RealSongsTest : public EngineTest {
protected:
    void SetUp() override {
        NIVRA_SKIP_WITHOUT_THIRD_PARTY_SONGS();
        EngineTest::SetUp();
    }

    // Plays the loaded song until it ends or closes; the periods it took.
    // The periods are run by calling OnTimer directly: the hour-long songs
    // need millions of them.
    unsigned PlayToEnd() {
        recording->Clear();
        PlayerPlay();
        unsigned periods = 0;
        while (periods < kPeriodCap && PlayerIsLoaded() && PlayerIsPlaying()) {
            sequencer->OnTimer();
            ++periods;
        }
        return periods;
    }

    int ChannelMessages() const {
        int count = 0;
        for (const std::string& message : recording->Messages()) {
            const int status = std::stoi(message.substr(0, 2), nullptr, 16);
            count += status >= 0x80 && status < 0xF0;
        }
        return count;
    }
};

TEST_F(RealSongsTest, WellFormedSongsPlayToTheEndSendingEveryChannelEvent) {
    const auto expected = ManifestChannelEvents();
    const auto songs = SongsIn("valid");
    ASSERT_FALSE(songs.empty());
    for (const fs::path& song : songs) {
        SCOPED_TRACE(Relative(song));
        if (fs::file_size(song) > CSequencer::MAX_SONG_BYTES) {
            // Its tracks run past the part of the file that is read.
            EXPECT_FALSE(PlayerOpen(song.c_str()));
            EXPECT_EQ(sequencer->GetTrackCount(), 0);
            continue;
        }
        ASSERT_TRUE(PlayerOpen(song.c_str()));
        const unsigned periods = PlayToEnd();
        EXPECT_LT(periods, kPeriodCap);
        EXPECT_FALSE(PlayerIsPlaying());
        auto count = expected.find(Relative(song));
        ASSERT_NE(count, expected.end());
        auto deviation = kDeviations.find(Relative(song));
        if (deviation != kDeviations.end()) {
            EXPECT_EQ(PlayerIsLoaded(), !deviation->second.closes);
            EXPECT_EQ(ChannelMessages(), deviation->second.channel_messages);
            continue;
        }
        EXPECT_TRUE(PlayerIsLoaded()) << "closed during playback";
        EXPECT_EQ(ChannelMessages(), count->second);
    }
}

TEST_F(RealSongsTest, WrappedSongsLoadOnlyAsMacBinaryMidiOrRiffRmid) {
    const auto expected = ManifestChannelEvents();
    const auto songs = SongsIn("wrapped");
    ASSERT_FALSE(songs.empty());
    for (const fs::path& song : songs) {
        SCOPED_TRACE(Relative(song));
        std::ifstream in(song, std::ios::binary);
        char header[128] = {};
        in.read(header, sizeof header);
        const bool mac_midi = std::string(header + 65, 4) == "Midi";
        const bool rmid = std::string(header, 4) == "RIFF" && std::string(header + 8, 4) == "RMID";
        ASSERT_EQ(PlayerOpen(song.c_str()), mac_midi || rmid);
        if (!mac_midi && !rmid)
            continue;
        PlayToEnd();
        EXPECT_TRUE(PlayerIsLoaded());
        EXPECT_FALSE(PlayerIsPlaying());
        EXPECT_EQ(ChannelMessages(), expected.at(Relative(song)));
    }
}

TEST_F(RealSongsTest, DamagedSongsFailOrEndWithoutPlayingForever) {
    int loaded = 0;
    int closed_by_damage = 0;
    for (const fs::path& song : SongsIn("malformed")) {
        SCOPED_TRACE(Relative(song));
        if (!PlayerOpen(song.c_str())) {
            EXPECT_EQ(sequencer->GetTrackCount(), 0);
            continue;
        }
        ++loaded;
        PlayToEnd();
        EXPECT_FALSE(PlayerIsLoaded() && PlayerIsPlaying())
            << "still playing after " << kPeriodCap << " periods";
        if (!PlayerIsLoaded()) {
            ++closed_by_damage;
            EXPECT_EQ(sequencer->GetTrackCount(), 0);
            EXPECT_EQ(Count("close"), 1);
        }
    }
    // The folder holds both kinds: songs that load and songs whose damage
    // closes them during playback.
    EXPECT_GT(loaded, 0);
    EXPECT_GT(closed_by_damage, 0);
}

TEST_F(RealSongsTest, RcpSongsPlayThroughTheConverter) {
    CRcpConverter converter(NIVRA_BINARY_DIR "/librcpcv.so");
    if (!converter.IsLoaded())
        GTEST_SKIP() << "no converter library in " NIVRA_BINARY_DIR;
    sequencer->SetConverter(&converter);
    const auto songs = SongsIn("rcp");
    ASSERT_FALSE(songs.empty());
    for (const fs::path& song : songs) {
        SCOPED_TRACE(Relative(song));
        ASSERT_TRUE(PlayerOpen(song.c_str()));
        EXPECT_GT(sequencer->GetTrackCount(), 0);
        const unsigned periods = PlayToEnd();
        EXPECT_LT(periods, kPeriodCap);
        EXPECT_TRUE(PlayerIsLoaded());
        EXPECT_FALSE(PlayerIsPlaying());
        EXPECT_GT(ChannelMessages(), 0);
    }
}

}  // namespace
