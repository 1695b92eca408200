// Songs one after another in the real program: play-through (F4) through a
// folder of every song format, N and P stepping round the list from any
// panel, and the songs and folders named on the command line.
#include <filesystem>

#include "tests/browsing_e2e/browsing_run.h"
#include "tests/rcpcv/rcp_file_builder.h"

namespace browsing_e2e {
namespace {

// The play-through word beside REPEAT in the system status panel at (350, 20).
std::string PlayThroughWord(const e2e::IndexedImage& image) {
    return ScreenText::Get().Read(image, Font::B, 350 + 200, 20 + 100, 7, kLabelIndex);
}

// The songs of a folder in the list's order.
std::vector<std::string> SongsInListOrder(const fs::path& folder) {
    std::vector<std::string> songs;
    for (const std::string& name : support::SelectorEntries(folder))
        if (support::SongMarker(name) != 0)
            songs.push_back(name);
    return songs;
}

std::string Text(const song_bytes::Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// A sequence file of the newer layout (six-byte records) sounding `note`.
std::string ExtendedRcpSong(int note) {
    rcpcv_test::RcpFileBuilder::Track track;
    track.records = {{static_cast<std::uint8_t>(note), 0x64, 0x30, 0x00, 0x28, 0x00},
                     {0xFE, 0x00, 0x00, 0x00, 0x00, 0x00}};
    const std::vector<std::uint8_t> bytes =
        rcpcv_test::RcpFileBuilder(true).Title("R36").AddTrack(track).Build();
    return std::string(bytes.begin(), bytes.end());
}

const char kBroken[] = "MThd\x00\x00\x00\x06 cut short";

class PlaylistTest : public BrowsingTest {
protected:
    void SetUp() override {
        if (!fs::exists(NIVRA_BINARY_DIR "/librcpcv.so"))
            GTEST_SKIP() << "the converter library is not built";
    }
    // One short song per note, each a note of 48 ticks at 96 a beat.
    void WriteSong(const fs::path& path, int note) {
        scene_.WriteFile(path.string(), SongBytes(path.stem().string(), {note}));
    }
};

TEST_F(PlaylistTest, PlayThroughPlaysEveryFormatInListOrderSkipsAFailureAndStopsAtTheEnd) {
    std::map<std::string, int> notes = {
        {"ONE.MID", 60}, {"TWO.kar", 62}, {"THREE.RMI", 64}, {"FOUR.R36", 65}, {"FIVE.MIDI", 67}};
    WriteSong("ONE.MID", 60);
    WriteSong("TWO.kar", 62);
    const std::string wrapped = SongBytes("THREE", {64});
    scene_.WriteFile(
        "THREE.RMI",
        Text(song_bytes::Rmid(
            {song_bytes::RiffChunk("LIST", {'I', 'N', 'F', 'O', '!'}),
             song_bytes::RiffChunk("data", song_bytes::Bytes(wrapped.begin(), wrapped.end()))})));
    scene_.WriteFile("FOUR.R36", ExtendedRcpSong(65));
    WriteSong("FIVE.MIDI", 67);
    scene_.WriteFile("BAD.SMF", std::string(kBroken, sizeof kBroken - 1));
    scene_.WriteFile("NOTES.TXT", "not a song");
    scene_.MakeFolder("SUB");
    WriteSong("SUB/INSIDE.MID", 72);
    const std::vector<std::string> songs = SongsInListOrder(scene_.Path());
    ASSERT_EQ(songs.size(), 6u);

    // N starts the list's first song; F4 then carries on to the last one.
    auto run = Run(Script()
                       .Shot("listed.png")
                       .Press("F4")
                       .Shot("on.png")
                       .Press("N")
                       .Wait(4000)
                       .Shot("ended.png")
                       .Press("F4")
                       .Shot("off.png"));

    std::vector<int> expected;
    for (const std::string& song : songs)
        if (song != "BAD.SMF")
            expected.push_back(notes[song]);
    EXPECT_EQ(LoggedNotes(run->MidiLogPath()), expected);

    e2e::IndexedImage listed = Shot("listed.png");
    for (const std::string& song : songs) {
        const int at = support::SelectorIndex(scene_.Path(), song);
        EXPECT_EQ(CellLabel(listed, at % 5, at / 5),
                  AsShown(std::string(1, support::SongMarker(song)) + song))
            << song;
    }
    EXPECT_EQ(PlayThroughWord(listed), "");
    EXPECT_EQ(PlayThroughWord(Shot("on.png")), "THROUGH");
    e2e::IndexedImage ended = Shot("ended.png");
    EXPECT_EQ(CursorCell(ended), support::SelectorIndex(scene_.Path(), songs.back()));
    EXPECT_EQ(StatusMessage(ended),
              songs.back() == "BAD.SMF" ? "FILE OPEN ERROR" : "MIDI PLAYER NIVRA");
    EXPECT_EQ(PlayThroughWord(Shot("off.png")), "");
}

TEST_F(PlaylistTest, NAndPStepRoundTheListFromEitherPanelAndTheCursorFollows) {
    WriteSong("X.MID", 70);
    WriteSong("Y.MID", 72);
    WriteSong("Z.MID", 74);
    scene_.WriteFile("GONE.MID", std::string(kBroken, sizeof kBroken - 1));
    std::vector<std::string> songs = SongsInListOrder(scene_.Path());
    const std::map<std::string, int> notes = {{"X.MID", 70}, {"Y.MID", 72}, {"Z.MID", 74}};
    // The list's order with the broken song left out, which every step skips.
    std::vector<int> order;
    for (const std::string& song : songs)
        if (notes.count(song))
            order.push_back(notes.at(song));
    auto run = Run(Script()
                       .Press("N")
                       .Wait(400)
                       .Press("N")
                       .Wait(400)
                       .Press("N")
                       .Wait(400)
                       .Press("N")  // past the last: round to the first
                       .Wait(400)
                       .Press("TAB")
                       .Wait(400)
                       .Press("P")  // from the viewer, back round to the last
                       .Wait(400)
                       .Press("TAB")
                       .Press("P")
                       .Wait(400)
                       .Shot("stepped.png"));

    EXPECT_EQ(LoggedNotes(run->MidiLogPath()),
              (std::vector<int>{order[0], order[1], order[2], order[0], order[2], order[1]}));
    std::string second;
    for (const auto& [name, note] : notes)
        if (note == order[1])
            second = name;
    e2e::IndexedImage stepped = Shot("stepped.png");
    EXPECT_EQ(CursorCell(stepped), support::SelectorIndex(scene_.Path(), second));
    EXPECT_EQ(StatusMessage(stepped), "MIDI PLAYER NIVRA");
}

TEST_F(PlaylistTest, ASongArgumentPlaysAtOnceInItsFolder) {
    WriteSong("SUB/FIRST.MID", 60);
    WriteSong("SUB/SECOND.MID", 62);
    arguments_ = {"SUB/SECOND.MID"};
    auto run = Run(Script().Shot("started.png"));
    EXPECT_EQ(LoggedNotes(run->MidiLogPath()), (std::vector<int>{62}));
    e2e::IndexedImage started = Shot("started.png");
    EXPECT_EQ(SelectorCaption(started), FilesCaption(scene_.Path() / "SUB"));
    EXPECT_EQ(CursorCell(started), support::SelectorIndex(scene_.Path() / "SUB", "SECOND.MID"));
    EXPECT_EQ(StatusMessage(started), "MIDI PLAYER NIVRA");
}

TEST_F(PlaylistTest, AFolderArgumentBrowsesThereAndABrokenSongStaysWithItsMessage) {
    WriteSong("SUB/FIRST.MID", 60);
    scene_.WriteFile("SUB/BROKEN.MID", std::string(kBroken, sizeof kBroken - 1));
    arguments_ = {(scene_.Path() / "SUB").string()};
    Run(Script().Shot("folder.png"));
    e2e::IndexedImage folder = Shot("folder.png");
    EXPECT_EQ(SelectorCaption(folder), FilesCaption(scene_.Path() / "SUB"));
    EXPECT_EQ(CursorCell(folder), 0);

    arguments_ = {"SUB/BROKEN.MID"};
    auto run = Run(Script().Shot("broken.png"));
    EXPECT_TRUE(LoggedNotes(run->MidiLogPath()).empty());
    e2e::IndexedImage broken = Shot("broken.png");
    EXPECT_EQ(SelectorCaption(broken), FilesCaption(scene_.Path() / "SUB"));
    EXPECT_EQ(CursorCell(broken), support::SelectorIndex(scene_.Path() / "SUB", "BROKEN.MID"));
    EXPECT_EQ(StatusMessage(broken), "FILE OPEN ERROR");
}

TEST_F(PlaylistTest, SongArgumentsPlayAsAQueueInTheirOrderAndStayInTheLastOnesFolder) {
    WriteSong("A/ONE.MID", 60);
    WriteSong("A/TWO.MID", 62);
    WriteSong("B/THREE.MID", 64);
    scene_.WriteFile("B/BROKEN.MID", std::string(kBroken, sizeof kBroken - 1));
    arguments_ = {"B/THREE.MID", "A/TWO.MID", "B/BROKEN.MID", "A/ONE.MID"};
    auto run = Run(Script().Wait(2500).Shot("queued.png"));
    EXPECT_EQ(LoggedNotes(run->MidiLogPath()), (std::vector<int>{64, 62, 60}));
    e2e::IndexedImage queued = Shot("queued.png");
    EXPECT_EQ(SelectorCaption(queued), FilesCaption(scene_.Path() / "A"));
    EXPECT_EQ(CursorCell(queued), support::SelectorIndex(scene_.Path() / "A", "ONE.MID"));
}

}  // namespace
}  // namespace browsing_e2e
