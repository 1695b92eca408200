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

// Where FindRmidData puts the song's first byte; 0 when it refuses.
std::uint32_t Find(const Bytes& file) {
    std::uint32_t offset = 0, length = 0;
    const bool found =
        FindRmidData(file.data(), static_cast<std::uint32_t>(file.size()), offset, length);
    return found && length == NoteSong().size() ? offset : 0;
}

}  // namespace

TEST(FindRmidData, FindsTheDataChunkPastPaddedChunksAndRefusesDamagedWrappers) {
    const Bytes song = NoteSong();
    const Bytes good = Rmid({RiffChunk("LIST", kInfo), RiffChunk("data", song)});
    EXPECT_EQ(Find(good), 12u + 8 + 6 + 8);  // header, LIST with its pad, data's header
    // A file cut short after the data chunk still holds all of it.
    const Bytes more = Rmid({RiffChunk("data", song), RiffChunk("DISP", Bytes(100, 1))});
    EXPECT_EQ(Find(Bytes(more.begin(), more.end() - 50)), 20u);

    // Cut inside the data chunk, or inside the wrapper's own header.
    EXPECT_EQ(Find(Bytes(good.begin(), good.end() - 1)), 0u);
    EXPECT_EQ(Find(Bytes(good.begin(), good.begin() + 11)), 0u);
    // Sizes that lie: past the file, wrapping 32 bits, a wrapper that ends
    // inside its data chunk, a wrapper too small for its own form type.
    EXPECT_EQ(Find(Rmid({RiffChunk("LIST", kInfo, 0x7FFFFFF0), RiffChunk("data", song)})), 0u);
    EXPECT_EQ(Find(Rmid({RiffChunk("data", song, 0xFFFFFFFF)})), 0u);
    Bytes lying = good;
    lying[4] = 4 + 14 + 8 + 2;
    EXPECT_EQ(Find(lying), 0u);
    lying[4] = 3;
    EXPECT_EQ(Find(lying), 0u);
    // No data chunk, or another RIFF form.
    EXPECT_EQ(Find(Rmid({RiffChunk("LIST", kInfo), RiffChunk("DATA", song)})), 0u);
    Bytes wave = good;
    wave[8] = 'W';
    EXPECT_EQ(Find(wave), 0u);
}

TEST_F(EngineTest, AWrappedSongPlaysAndItsTracksStayInsideTheDataChunk) {
    OpenAndPlay(Rmid({RiffChunk("LIST", kInfo), RiffChunk("data", NoteSong())}));
    Periods(200);
    EXPECT_THAT(SongMessages(), ::testing::Contains("90 3C 64"));

    // A track longer than its data chunk fails, even with wrapper bytes
    // after the chunk; so does data that is no Standard MIDI File.
    Bytes overlong = NoteSong();
    overlong[14 + 7] += 8;  // the low byte of the track chunk's length
    EXPECT_FALSE(Open(Rmid({RiffChunk("data", overlong), RiffChunk("DISP", Bytes(64, 0))})));
    EXPECT_FALSE(Open(Rmid({RiffChunk("data", Bytes{'J', 'U', 'N', 'K', 0, 0, 0, 0})})));
    EXPECT_FALSE(PlayerIsLoaded());
}
