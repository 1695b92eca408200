// Header fields and block layout: ports, memo lines, beat and key, the oldest
// files' timebase and step shifts, trailers, the newer layout's exclusive entries.
#include "tests/rcpcv/conversion_helpers.h"

namespace rcpcv_test {
namespace {

using Track = RcpFileBuilder::Track;

Track NoteTrack(uint8_t channel, uint8_t key, uint8_t step_shift = 0) {
    Track track;
    track.channel = channel;
    track.step_shift = step_shift;
    track.records = {{key, 24, 12, 100}, {0xFE, 0, 0, 0}};
    return track;
}

Bytes Meta(uint8_t type, Bytes data) {
    Bytes bytes{0xFF, type, static_cast<uint8_t>(data.size())};
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

// The conductor's meta event of a type at tick 0, or nothing.
Bytes FirstMeta(const SmfFile& smf, uint8_t type) {
    for (const auto& event : smf.tracks.at(0)) {
        if (event.bytes[0] == 0xFF && event.bytes[1] == type) {
            return event.bytes;
        }
    }
    return {};
}

TEST(Header, SongsOnBothPortsNameEachTracksPortAndItsChanges) {
    Track port_a = NoteTrack(0x03, 60);
    Track port_b = NoteTrack(0x13, 62);
    // Moves to port A channel 2 after its first note, then back to port B.
    port_b.records.insert(
        port_b.records.begin() + 1,
        {{0xE6, 0, 2, 0}, {0x40, 24, 12, 90}, {0xE6, 0, 20, 0}, {0x41, 24, 12, 90}});
    SmfFile smf = ConvertBytes(RcpFileBuilder().AddTrack(port_a).AddTrack(port_b).Build());
    ASSERT_EQ(smf.error, "");
    ASSERT_EQ(smf.tracks.size(), 3u);
    EXPECT_EQ(smf.tracks[1][1].bytes, Meta(0x21, {0x00}));
    std::vector<Timed> port_b_events;
    for (const auto& event : smf.tracks[2]) {
        if (event.bytes[0] != 0xFF || event.bytes[1] == 0x21) {
            port_b_events.emplace_back(event.tick, event.bytes);
        }
    }
    EXPECT_EQ(port_b_events, (std::vector<Timed>{{0, Meta(0x21, {0x01})},
                                                 {0, {0x93, 62, 100}},
                                                 {12, {0x93, 62, 0}},
                                                 {24, Meta(0x21, {0x00})},
                                                 {24, {0x91, 0x40, 90}},
                                                 {36, {0x91, 0x40, 0}},
                                                 {48, Meta(0x21, {0x01})},
                                                 {48, {0x93, 0x41, 90}},
                                                 {60, {0x93, 0x41, 0}}}));

    // A song on port A alone carries no port events.
    SmfFile single = ConvertBytes(RcpFileBuilder().AddTrack(port_a).Build());
    for (const auto& event : single.tracks.at(1)) {
        EXPECT_FALSE(event.bytes[0] == 0xFF && event.bytes[1] == 0x21);
    }
}

TEST(Header, MemoLinesBeatAndKeyReachTheConductor) {
    RcpFileBuilder builder;
    builder.Title("MEMO").Byte(0x1C2, 3).Byte(0x1C3, 8).Key(0x1B).AddTrack(NoteTrack(0, 60));
    const std::string line = "SECOND LINE";
    for (size_t i = 0; i < line.size(); ++i) {
        builder.Byte(0x60 + 28 + i, static_cast<uint8_t>(line[i]));
    }
    SmfFile smf = ConvertBytes(builder.Build());
    ASSERT_EQ(smf.error, "");
    std::vector<Bytes> texts;
    for (const auto& event : smf.tracks[0]) {
        if (event.bytes[0] == 0xFF && event.bytes[1] == 0x01) {
            texts.push_back(event.bytes);
        }
    }
    // All twelve lines keep their places; blank ones are a single space.
    ASSERT_EQ(texts.size(), 12u);
    EXPECT_EQ(texts[0], Meta(0x01, {' '}));
    EXPECT_EQ(texts[1], Meta(0x01, Bytes(line.begin(), line.end())));
    EXPECT_EQ(texts[11], Meta(0x01, {' '}));
    EXPECT_EQ(FirstMeta(smf, 0x58), Meta(0x58, {3, 3, 24, 8}));
    EXPECT_EQ(FirstMeta(smf, 0x59), Meta(0x59, {0xFD, 0x01}));  // C minor: three flats

    // An all-blank memo gives no text events; a beat of 0/0 is written as 4/4.
    SmfFile plain = ConvertBytes(
        RcpFileBuilder().Byte(0x1C2, 0).Byte(0x1C3, 0).AddTrack(NoteTrack(0, 60)).Build());
    EXPECT_EQ(FirstMeta(plain, 0x01), Bytes{});
    EXPECT_EQ(FirstMeta(plain, 0x58), Meta(0x58, {4, 2, 24, 8}));
}

TEST(Header, OldestFilesIgnoreTheTimebaseHighByteAndMayStoreUnsignedShifts) {
    // A raw shift of 0x90 is -112 signed, outside -99..+99: such a file stores them unsigned.
    auto build = [](uint8_t count_byte) {
        return RcpFileBuilder()
            .Byte(0x1E6, count_byte)
            .Byte(0x1C0, 0x80)
            .Byte(0x1E7, 0x01)
            .AddTrack(NoteTrack(0, 60, 0x90))
            .Build();
    };
    SmfFile oldest = ConvertBytes(build(0));
    ASSERT_EQ(oldest.error, "");
    EXPECT_EQ(oldest.division, 0x80);
    EXPECT_EQ(Timeline(oldest.tracks.at(1)),
              (std::vector<Timed>{{144, {0x90, 60, 100}}, {156, {0x90, 60, 0}}}));

    SmfFile stated = ConvertBytes(build(18));
    ASSERT_EQ(stated.error, "");
    EXPECT_EQ(stated.division, 0x180);
    EXPECT_EQ(Timeline(stated.tracks.at(1)),
              (std::vector<Timed>{{0, {0x90, 60, 100}}, {0, {0x90, 60, 0}}}));
}

TEST(Layout, TrailerWhereABlockWouldStartEndsTheTracks) {
    std::vector<uint8_t> file =
        RcpFileBuilder().AddTrack(NoteTrack(0, 60)).AddTrack(NoteTrack(1, 62)).Build();
    const std::string trailer = "RCFW";
    file.insert(file.end(), trailer.begin(), trailer.end());
    // Read as a block, the rest would be a track on channel 1 full of notes.
    file.resize(file.size() + 40, 0x00);
    for (int i = 0; i < 50; ++i) {
        file.insert(file.end(), {0x3C, 0x18, 0x0C, 0x64});
    }
    SmfFile smf = ConvertBytes(file);
    ASSERT_EQ(smf.error, "");
    EXPECT_EQ(smf.tracks.size(), 3u);
}

TEST(Layout, NewerExclusiveEntriesStartWhereTheNamePaddingEnds) {
    // Entry 1 has a 24-byte name: its pattern follows it. Entry 2's name runs into byte 23,
    // so its pattern starts there.
    RcpFileBuilder builder(true);
    builder.UserExclusive(0, {0x41, 0x10, 0x42, 0x12, 0x83, 0x40, 0x00, 0x04, 0x81, 0x84, 0xF7});
    for (size_t i = 0; i < 23; ++i) {
        builder.Byte(0xB18 + 48 + i, 'N');
    }
    const Bytes second = {0x7E, 0x7F, 0x09, 0x01, 0xF7};
    for (size_t i = 0; i < second.size(); ++i) {
        builder.Byte(0xB18 + 48 + 0x17 + i, second[i]);
    }
    Track track;
    // Newer records: command, p2, step (16 bits), p1 (16 bits).
    track.records = {{0x90, 0x64, 0, 0, 0, 0}, {0x91, 0, 0, 0, 0, 0}, {0xFE, 0, 0, 0, 0, 0}};
    SmfFile smf = ConvertBytes(builder.AddTrack(track).Build());
    ASSERT_EQ(smf.error, "");
    std::vector<Bytes> exclusives;
    for (const auto& event : smf.tracks.at(1)) {
        if (event.bytes[0] == 0xF0) {
            exclusives.push_back(event.bytes);
        }
    }
    EXPECT_EQ(exclusives, (std::vector<Bytes>{{0xF0, 0x0A, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x04,
                                               0x64, 0x58, 0xF7},
                                              {0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7}}));
}

}  // namespace
}  // namespace rcpcv_test
