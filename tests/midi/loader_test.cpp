#include <cstring>

#include "engine_fixture.h"
#include "midi/midi_format.h"
#include "midi/midi_track.h"

using namespace song_bytes;

namespace {

Bytes NoteTrack() {
    return Concat({{0x00, 0x90, 0x3C, 0x64, 0x60, 0x80, 0x3C, 0x00}, kEndOfTrack});
}

Bytes MacBinary(const Bytes& fork, const char* type) {
    Bytes out(128, 0);
    std::memcpy(&out[65], type, 4);
    out.insert(out.end(), fork.begin(), fork.end());
    return out;
}

}  // namespace

TEST(DetectMidiFormat, RecognisesBothSignaturesAndNothingElse) {
    EXPECT_EQ(DetectMidiFormat("MThd", 4), MIDIFORMAT_SMF);
    EXPECT_EQ(DetectMidiFormat("RCM-PC98V2.0", 12), MIDIFORMAT_RCP);
    EXPECT_EQ(DetectMidiFormat("RIFF", 4), MIDIFORMAT_UNKNOWN);
    EXPECT_EQ(DetectMidiFormat(nullptr, 4), MIDIFORMAT_UNKNOWN);
    EXPECT_EQ(DetectMidiFormat("MTh", 3), MIDIFORMAT_UNKNOWN);
}

TEST(MidiTrack, ReadsVariableLengthQuantitiesAndStopsAtTheEnd) {
    const std::uint8_t bytes[] = {0x81, 0x80, 0x00, 0x7F};
    CMidiTrack track;
    track.SetData(bytes, sizeof bytes);
    track.Rewind();
    EXPECT_EQ(track.GetTime(), 16384u);
    EXPECT_EQ(track.ReadByte(), 0x7F);
    EXPECT_THROW(track.Peek(), EXCEPTION_MIDITRACK);
    EXPECT_FALSE(track.IsActive());
    track.Rewind();
    track.Skip(1000);  // far past the end: caught by the next read, not by memory
    EXPECT_THROW(track.ReadByte(), EXCEPTION_MIDITRACK);
}

TEST(MidiTrack, EmptyTrackTurnsInactiveOnRewind) {
    CMidiTrack track;
    track.Rewind();  // no data: nothing happens
    EXPECT_FALSE(track.IsActive());
    track.SetData(nullptr, 0);
    EXPECT_TRUE(track.IsActive());
    EXPECT_THROW(track.Rewind(), EXCEPTION_MIDITRACK);
    EXPECT_FALSE(track.IsActive());
}

TEST_F(EngineTest, ReadsTheHeaderWordsAndOneTrackPerChunk) {
    ASSERT_TRUE(Open(Song(480, {NoteTrack(), kEndOfTrack})));
    EXPECT_EQ(sequencer->GetFormat(), 1);
    EXPECT_EQ(sequencer->GetTrackCount(), 2);
    EXPECT_EQ(sequencer->GetDivision(), 480);
    EXPECT_EQ(sequencer->GetTempo(), 1'000'000u);
    EXPECT_EQ(sequencer->GetTrack(0)->GetLength(), NoteTrack().size());
    EXPECT_STREQ(PlayerGetPath(), file->Path());
}

TEST_F(EngineTest, LongHeaderIsSkippedAndChunkTypesAreNotChecked) {
    Bytes song = Header(1, 2, 96, 10);
    for (const char* type : {"MTrk", "XFIH"}) {
        Bytes chunk = Chunk(NoteTrack(), type);
        song.insert(song.end(), chunk.begin(), chunk.end());
    }
    ASSERT_TRUE(Open(song));
    ASSERT_EQ(sequencer->GetTrackCount(), 2);
    EXPECT_EQ(sequencer->GetTrack(1)->GetLength(), NoteTrack().size());
}

TEST_F(EngineTest, ZeroTracksLoadsAndEndsAtOnce) {
    ASSERT_TRUE(Open(Header(0, 0, 96)));
    EXPECT_EQ(sequencer->GetTrackCount(), 0);
    PlayerPlay();
    Periods(1);
    EXPECT_FALSE(PlayerIsPlaying());
}

TEST_F(EngineTest, ZeroLengthTrackIsInactiveAfterPlay) {
    ASSERT_TRUE(Open(Song(96, {Bytes{}, NoteTrack()})));
    PlayerPlay();
    EXPECT_FALSE(sequencer->GetTrack(0)->IsActive());
    Periods(1);
    EXPECT_TRUE(PlayerIsLoaded());
    EXPECT_TRUE(PlayerIsPlaying());
}

TEST_F(EngineTest, ChunkRunningPastTheDataFailsTheLoad) {
    Bytes song = Song(96, {NoteTrack()});
    song.resize(song.size() - 2);  // declared length now overruns the file
    EXPECT_FALSE(Open(song));
    EXPECT_EQ(sequencer->GetTrackCount(), 0);
    EXPECT_FALSE(Open(Bytes{'M', 'T', 'h', 'd', 0, 0, 0, 6}));  // header words missing
    EXPECT_FALSE(Open(Bytes{}));
    EXPECT_FALSE(PlayerOpen("/nonexistent/song.mid"));
}

TEST_F(EngineTest, OnlyTheFirst262144BytesAreRead) {
    // A track whose chunk ends exactly at the cap loads; one byte more does not.
    const std::uint32_t fits = CSequencer::MAX_SONG_BYTES - 14 - 8;
    Bytes events(fits, 0x00);  // deltas of zero, then End of Track at the very end
    std::copy(kEndOfTrack.begin(), kEndOfTrack.end(), events.end() - 4);
    Bytes song = Song(96, {events});
    song.resize(song.size() + 5000, 0xEE);  // bytes past the cap are never read
    ASSERT_TRUE(Open(song));
    EXPECT_EQ(sequencer->GetTrack(0)->GetLength(), fits);
    events.push_back(0);
    EXPECT_FALSE(Open(Song(96, {events})));
}

TEST_F(EngineTest, MacBinaryWrapperIsAcceptedOnlyWithMidiTypeAndSmfFork) {
    const Bytes song = Song(96, {NoteTrack()});
    EXPECT_TRUE(Open(MacBinary(song, "Midi")));
    EXPECT_EQ(sequencer->GetTrackCount(), 1);
    EXPECT_FALSE(Open(MacBinary(song, "MooV")));
    Bytes not_smf = song;
    not_smf[0] = 'X';
    EXPECT_FALSE(Open(MacBinary(not_smf, "Midi")));
}

TEST_F(EngineTest, TitleScanFindsTheNameAndCapsItAt128Bytes) {
    Bytes named = Concat({{0x00, 0xFF, 0x03, 0x05, 'S', 'O', 'N', 'G', '1'}, kEndOfTrack});
    ASSERT_TRUE(Open(Song(96, {named})));
    EXPECT_STREQ(sequencer->GetTitle(), "SONG1");

    Bytes long_name = {0x00, 0xFF, 0x03, 0x81, 0x48};  // length 200
    for (int i = 0; i < 200; ++i)
        long_name.push_back(static_cast<std::uint8_t>('A' + i % 26));
    ASSERT_TRUE(Open(Song(96, {Concat({long_name, kEndOfTrack})})));
    EXPECT_EQ(std::strlen(sequencer->GetTitle()), 128u);
    EXPECT_EQ(std::string(sequencer->GetTitle()).substr(0, 3), "ABC");

    // A name that claims more bytes than the track holds stops at its end.
    ASSERT_TRUE(Open(Song(96, {Bytes{0x00, 0xFF, 0x03, 0x40, 'X', 'Y', 'Z', 'W'}})));
    EXPECT_STREQ(sequencer->GetTitle(), "XYZW");

    ASSERT_TRUE(Open(Song(96, {NoteTrack()})));
    EXPECT_STREQ(sequencer->GetTitle(), "");
}

TEST_F(EngineTest, FailedLoadKeepsOrReplacesTheTitleByWhereItFailed) {
    Bytes named = Concat({{0x00, 0xFF, 0x03, 0x02, 'O', 'K'}, kEndOfTrack});
    ASSERT_TRUE(Open(Song(96, {named})));
    EXPECT_FALSE(Open(Bytes{'J', 'U', 'N', 'K', 0, 0, 0, 0}));
    EXPECT_STREQ(sequencer->GetTitle(), "OK");  // failed before the scan
    EXPECT_FALSE(PlayerIsLoaded());

    Bytes other = Concat({{0x00, 0xFF, 0x03, 0x03, 'N', 'E', 'W'}, kEndOfTrack});
    recording->SetOpenFails(0, true);
    recording->SetOpenFails(1, true);  // the mapper would move on to it
    EXPECT_FALSE(Open(Song(96, {other})));
    EXPECT_STREQ(sequencer->GetTitle(), "NEW");  // the device open came after the scan
    EXPECT_EQ(sequencer->GetTrackCount(), 0);
}

TEST_F(EngineTest, SecondLoadStopsAndClosesThePlayingSong) {
    OpenAndPlay(Song(96, {NoteTrack()}));
    Periods(5);
    ASSERT_TRUE(Open(Song(96, {NoteTrack()})));
    EXPECT_FALSE(PlayerIsPlaying());
    EXPECT_EQ(Count("close"), 1);
}
