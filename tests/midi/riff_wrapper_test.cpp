// The RIFF 'RMID' wrapper: where its song lies, the damaged wrappers it is
// refused for, and a wrapped song loading and playing.
#include "engine_fixture.h"
#include "midi/riff_wrapper.h"

using namespace song_bytes;

namespace {

const Bytes kInfo = {'I', 'N', 'F', 'O', 'x'};  // odd: a pad byte follows

Bytes NoteSong() {
    return Song(96, {Concat({{0x00, 0x90, 0x3C, 0x64, 0x10, 0x80, 0x3C, 0x00}, kEndOfTrack})});
}

// Where FindRmidData puts the song, as {offset, length}; {0, 0} when refused.
std::pair<std::uint32_t, std::uint32_t> Find(const Bytes& file) {
    std::uint32_t offset = 0, length = 0;
    if (!FindRmidData(file.data(), static_cast<std::uint32_t>(file.size()), offset, length))
        return {0, 0};
    return {offset, length};
}

}  // namespace

TEST(FindRmidData, FindsTheDataChunkPastOtherChunksAndTheirPadding) {
    const Bytes song = NoteSong();
    const Bytes file = Rmid({RiffChunk("LIST", kInfo), RiffChunk("data", song)});
    const std::uint32_t data_body = 12 + 8 + 6 + 8;  // header, LIST and its pad, data's header
    EXPECT_EQ(Find(file), std::make_pair(data_body, static_cast<std::uint32_t>(song.size())));

    // Bytes after the wrapper are not the song's, and a file cut short after
    // the data chunk still holds all of it.
    Bytes trailing = file;
    trailing.insert(trailing.end(), {'d', 'a', 't', 'a', 0, 0, 0, 0});
    EXPECT_EQ(Find(trailing).first, data_body);
    const Bytes cut_after_data = Rmid({RiffChunk("data", song), RiffChunk("LIST", Bytes(100, 1))});
    EXPECT_EQ(Find(Bytes(cut_after_data.begin(), cut_after_data.end() - 50)).first, 20u);
}

TEST(FindRmidData, RefusesDamagedOrForeignWrappers) {
    const Bytes song = NoteSong();
    const Bytes good = Rmid({RiffChunk("data", song)});
    const std::pair<std::uint32_t, std::uint32_t> refused{0, 0};
    // Cut inside the data chunk.
    EXPECT_EQ(Find(Bytes(good.begin(), good.end() - 1)), refused);
    EXPECT_EQ(Find(Bytes(good.begin(), good.begin() + 12)), refused);
    // Sizes that lie: a chunk larger than the file, one that wraps 32 bits,
    // a wrapper that ends before its data chunk does, one too small for its form.
    EXPECT_EQ(Find(Rmid({RiffChunk("LIST", kInfo, 0x7FFFFFF0), RiffChunk("data", song)})), refused);
    EXPECT_EQ(Find(Rmid({RiffChunk("data", song, 0xFFFFFFFF)})), refused);
    Bytes short_riff = good;
    short_riff[4] = 4 + 8 + 2;
    short_riff[5] = short_riff[6] = short_riff[7] = 0;
    EXPECT_EQ(Find(short_riff), refused);
    short_riff[4] = 3;
    EXPECT_EQ(Find(short_riff), refused);
    // No data chunk; another RIFF form; too short to be a wrapper at all.
    EXPECT_EQ(Find(Rmid({RiffChunk("LIST", kInfo), RiffChunk("DATA", song)})), refused);
    Bytes wave = good;
    wave[8] = 'W';
    EXPECT_EQ(Find(wave), refused);
    EXPECT_EQ(Find(Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'R', 'M', 'I'}), refused);
    std::uint32_t offset = 0, length = 0;
    EXPECT_FALSE(FindRmidData(nullptr, 100, offset, length));
}

TEST_F(EngineTest, AWrappedSongPlaysAndItsTracksStayInsideTheDataChunk) {
    OpenAndPlay(Rmid({RiffChunk("LIST", kInfo), RiffChunk("data", NoteSong())}));
    EXPECT_EQ(sequencer->GetTrackCount(), 1);
    Periods(200);
    EXPECT_THAT(SongMessages(), ::testing::Contains("90 3C 64"));

    // A track that claims more than its data chunk holds fails the load,
    // even with bytes of the wrapper after the chunk; so does data that is
    // no Standard MIDI File, and a damaged wrapper.
    Bytes overlong = NoteSong();
    overlong[14 + 7] += 8;  // the low byte of the track chunk's length
    EXPECT_FALSE(Open(Rmid({RiffChunk("data", overlong), RiffChunk("LIST", Bytes(64, 0))})));
    EXPECT_FALSE(Open(Rmid({RiffChunk("data", Bytes{'J', 'U', 'N', 'K', 0, 0, 0, 0})})));
    const Bytes good = Rmid({RiffChunk("data", NoteSong())});
    EXPECT_FALSE(Open(Bytes(good.begin(), good.end() - 3)));
    EXPECT_FALSE(PlayerIsLoaded());
}
