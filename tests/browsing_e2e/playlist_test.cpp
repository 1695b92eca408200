// Songs one after another in the real program: play-through (F4) through a
// folder of every song format, N and P stepping round the list from either
// panel, and the songs and folders named on the command line.
#include "tests/browsing_e2e/browsing_run.h"
#include "tests/rcpcv/rcp_file_builder.h"

namespace browsing_e2e {
namespace {

const std::string kBroken = "MThd\x00\x00\x00\x06 cut short";

// The play-through word beside REPEAT in the system status panel at (350, 20).
std::string PlayThroughWord(const e2e::IndexedImage& image) {
    return ScreenText::Get().Read(image, Font::B, 350 + 200, 20 + 100, 7, kLabelIndex);
}

class PlaylistTest : public BrowsingTest {
protected:
    void SetUp() override {
        if (!fs::exists(NIVRA_BINARY_DIR "/librcpcv.so"))
            GTEST_SKIP() << "the converter library is not built";
    }
    // Writes one-note songs (a note 0 writes a broken one) and gives the
    // notes of the songs of `folder` in the list's order, broken ones left out.
    std::vector<int> Songs(const std::map<std::string, int>& notes, const std::string& folder) {
        for (const auto& [name, note] : notes)
            scene_.WriteFile(folder + name, note ? SongBytes(name, {note}) : kBroken);
        return Order(notes, folder);
    }
    std::vector<int> Order(const std::map<std::string, int>& notes, const std::string& folder) {
        std::vector<int> order;
        for (const std::string& name : support::SelectorEntries(scene_.Path() / folder))
            if (notes.count(name) && notes.at(name))
                order.push_back(notes.at(name));
        return order;
    }
    int IndexIn(const std::string& folder, const std::string& name) {
        return support::SelectorIndex(scene_.Path() / folder, name);
    }
};

TEST_F(PlaylistTest, PlayThroughPlaysEveryFormatInListOrderSkipsAFailureAndStopsAtTheEnd) {
    Songs({{"ONE.MID", 60}, {"TWO.kar", 62}, {"BAD.SMF", 0}}, "");
    // A wrapped song and a sequence file of six-byte records join the list.
    const std::string wrapped = SongBytes("THREE", {64});
    const song_bytes::Bytes rmid = song_bytes::Rmid(
        {song_bytes::RiffChunk("LIST", {'I', 'N', 'F', 'O', '!'}),
         song_bytes::RiffChunk("data", song_bytes::Bytes(wrapped.begin(), wrapped.end()))});
    scene_.WriteFile("THREE.RMI", std::string(rmid.begin(), rmid.end()));
    rcpcv_test::RcpFileBuilder::Track track;
    track.records = {{65, 0x64, 0x30, 0, 0x28, 0}, {0xFE, 0, 0, 0, 0, 0}};
    const std::vector<std::uint8_t> rcp = rcpcv_test::RcpFileBuilder(true).AddTrack(track).Build();
    scene_.WriteFile("FOUR.R36", std::string(rcp.begin(), rcp.end()));
    scene_.WriteFile("NOTES.TXT", "not a song");
    scene_.WriteFile("SUB/INSIDE.MID", SongBytes("INSIDE", {72}));
    const std::vector<int> order =
        Order({{"ONE.MID", 60}, {"TWO.kar", 62}, {"THREE.RMI", 64}, {"FOUR.R36", 65}}, "");
    std::vector<std::string> songs;
    for (const std::string& name : support::SelectorEntries(scene_.Path()))
        if (support::SongMarker(name) != 0)
            songs.push_back(name);
    ASSERT_EQ(songs.size(), 5u);

    // N starts the list's first song; F4 carries on from there to the last.
    auto run = Run(Script()
                       .Shot("off.png")
                       .Press("F4")
                       .Press("N")
                       .AwaitSongStart()
                       .Wait(3500)
                       .Shot("ended.png")
                       .Press("F4")
                       .Shot("off_again.png"));
    EXPECT_EQ(LoggedNotes(run->MidiLogPath()), order);
    e2e::IndexedImage off = Shot("off.png");
    for (const std::string& song : songs)
        EXPECT_EQ(CellLabel(off, IndexIn("", song) % 5, IndexIn("", song) / 5),
                  AsShown(support::SongMarker(song) + song));
    EXPECT_EQ(PlayThroughWord(off), "");
    // Off again, the word's place is as it was before play-through came on.
    e2e::IndexedImage off_again = Shot("off_again.png");
    for (int x = 550; x < 600; ++x)
        for (int y = 120; y < 129; ++y)
            ASSERT_EQ(off_again.At(x, y), off.At(x, y)) << x << "," << y;
    e2e::IndexedImage ended = Shot("ended.png");
    EXPECT_EQ(PlayThroughWord(ended), "THROUGH");
    EXPECT_EQ(CursorCell(ended), IndexIn("", songs.back()));
    EXPECT_EQ(StatusMessage(ended),
              songs.back() == "BAD.SMF" ? "FILE OPEN ERROR" : "MIDI PLAYER NIVRA");
}

TEST_F(PlaylistTest, NAndPStepRoundTheListFromEitherPanelSkippingFailuresAndTheCursorFollows) {
    const std::vector<int> o =
        Songs({{"X.MID", 70}, {"Y.MID", 72}, {"Z.MID", 74}, {"G.MID", 0}}, "");
    // Round past the last and back past the first; the second P from the viewer.
    auto run = Run(Script()
                       .Press("N")
                       .Wait(400)
                       .Press("N")
                       .Wait(400)
                       .Press("N")
                       .Wait(400)
                       .Press("N")
                       .Wait(400)
                       .Press("P")
                       .Wait(400)
                       .Press("TAB")
                       .Wait(400)
                       .Press("P")
                       .Press("TAB")
                       .Wait(400)
                       .Shot("stepped.png"));
    EXPECT_EQ(LoggedNotes(run->MidiLogPath()),
              (std::vector<int>{o[0], o[1], o[2], o[0], o[2], o[1]}));
    e2e::IndexedImage stepped = Shot("stepped.png");
    const char* second = o[1] == 70 ? "X.MID" : o[1] == 72 ? "Y.MID" : "Z.MID";
    EXPECT_EQ(CursorCell(stepped), IndexIn("", second));
    EXPECT_EQ(StatusMessage(stepped), "MIDI PLAYER NIVRA");
}

TEST_F(PlaylistTest, ASongArgumentPlaysAtOnceInItsFolderAndAFolderArgumentBrowsesThere) {
    Songs({{"FIRST.MID", 60}, {"SECOND.MID", 62}}, "SUB/");
    arguments_ = {"SUB/SECOND.MID"};
    auto run = Run(Script().Shot("song.png"));
    EXPECT_EQ(LoggedNotes(run->MidiLogPath()), (std::vector<int>{62}));
    e2e::IndexedImage song = Shot("song.png");
    EXPECT_EQ(SelectorCaption(song), FilesCaption(scene_.Path() / "SUB"));
    EXPECT_EQ(CursorCell(song), IndexIn("SUB", "SECOND.MID"));

    arguments_ = {(scene_.Path() / "SUB").string()};
    run = Run(Script().Shot("folder.png"));
    EXPECT_TRUE(LoggedNotes(run->MidiLogPath()).empty());
    e2e::IndexedImage folder = Shot("folder.png");
    EXPECT_EQ(SelectorCaption(folder), FilesCaption(scene_.Path() / "SUB"));
    EXPECT_EQ(CursorCell(folder), 0);
}

TEST_F(PlaylistTest, SongArgumentsPlayAsAQueueAndABrokenLastOneStaysWithItsMessage) {
    Songs({{"ONE.MID", 60}, {"TWO.MID", 62}}, "A/");
    Songs({{"THREE.MID", 64}, {"BROKEN.MID", 0}}, "B/");
    arguments_ = {"B/THREE.MID", "A/TWO.MID", "B/BROKEN.MID", "A/ONE.MID", "B/BROKEN.MID"};
    auto run = Run(Script().Wait(2000).Shot("queued.png"));
    EXPECT_EQ(LoggedNotes(run->MidiLogPath()), (std::vector<int>{64, 62, 60}));
    e2e::IndexedImage queued = Shot("queued.png");
    EXPECT_EQ(SelectorCaption(queued), FilesCaption(scene_.Path() / "B"));
    EXPECT_EQ(CursorCell(queued), IndexIn("B", "BROKEN.MID"));
    EXPECT_EQ(StatusMessage(queued), "FILE OPEN ERROR");
}

}  // namespace
}  // namespace browsing_e2e
