// Files that are not sequence files, end early or lie about their sizes.
#include "tests/rcpcv/conversion_helpers.h"

#include <random>

namespace rcpcv_test {
namespace {

RcpFileBuilder::Track Notes(int count) {
    RcpFileBuilder::Track track;
    for (int i = 0; i < count; ++i) {
        track.records.push_back({static_cast<uint8_t>(0x30 + i % 40), 0x06, 0x05, 0x64});
    }
    track.records.push_back({0xFE, 0, 0, 0});
    return track;
}

TEST(DamagedInput, RefusesWhatIsNotASequenceFile) {
    std::vector<uint8_t> file = RcpFileBuilder().AddTrack(Notes(4)).Build();
    EXPECT_FALSE(rcpcv::ConvertRcpToSmf({}).has_value());
    std::vector<uint8_t> wrong = file;
    wrong[3] = 'X';
    EXPECT_FALSE(rcpcv::ConvertRcpToSmf(wrong).has_value());
    // Shorter than the header and one track header.
    EXPECT_FALSE(rcpcv::ConvertRcpToSmf(std::span(file.data(), 0x586 + 43)).has_value());
    // A timebase no SMF division can hold.
    std::vector<uint8_t> huge = RcpFileBuilder().Timebase(0x8000).AddTrack(Notes(1)).Build();
    EXPECT_FALSE(rcpcv::ConvertRcpToSmf(huge).has_value());
}

TEST(DamagedInput, ZeroTimebaseAndTempoGetDefaults) {
    SmfFile smf = ConvertBytes(RcpFileBuilder().Timebase(0).Tempo(0).AddTrack(Notes(1)).Build());
    ASSERT_EQ(smf.error, "");
    EXPECT_EQ(smf.division, 48);
    bool tempo_120 = false;
    for (const auto& e : smf.tracks[0]) {
        tempo_120 |= e.bytes == Bytes{0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20};
    }
    EXPECT_TRUE(tempo_120);
}

TEST(DamagedInput, TruncatedFileKeepsTheTracksThatWereRead) {
    std::vector<uint8_t> file =
        RcpFileBuilder().AddTrack(Notes(10)).AddTrack(Notes(10)).AddTrack(Notes(10)).Build();
    // Cut in the middle of the third track's events: it ends there, without its end mark.
    size_t cut = 0x586 + 2 * (44 + 11 * 4) + 44 + 5 * 4 + 2;
    SmfFile smf = ConvertBytes(std::vector<uint8_t>(file.begin(), file.begin() + cut));
    ASSERT_EQ(smf.error, "");
    ASSERT_EQ(smf.tracks.size(), 4u);
    EXPECT_EQ(Timeline(smf.tracks[3]).size(), 10u);  // five notes, each with its end
}

TEST(DamagedInput, WrongBlockSizeIsRepairedFromTheEndMark) {
    std::vector<uint8_t> file = RcpFileBuilder().AddTrack(Notes(3)).AddTrack(Notes(2)).Build();
    file[0x586] = 0x30;  // claims one record fewer than it holds
    SmfFile smf = ConvertBytes(file);
    ASSERT_EQ(smf.error, "");
    ASSERT_EQ(smf.tracks.size(), 3u);
    EXPECT_EQ(Timeline(smf.tracks[1]).size(), 6u);
    EXPECT_EQ(Timeline(smf.tracks[2]).size(), 4u);
}

TEST(DamagedInput, BlockOfAHeaderAloneIsAnEmptyTrack) {
    std::vector<uint8_t> file =
        RcpFileBuilder().AddTrack(RcpFileBuilder::Track{}).AddTrack(Notes(2)).Build();
    SmfFile smf = ConvertBytes(file);
    ASSERT_EQ(smf.error, "");
    ASSERT_EQ(smf.tracks.size(), 2u) << "the empty track is left out, the next one kept";
    const auto timeline = Timeline(smf.tracks[1]);
    ASSERT_EQ(timeline.size(), 4u);
    EXPECT_EQ(timeline[0], Timed(0, {0x90, 0x30, 0x64}));  // its first note, at the start
}

TEST(DamagedInput, NewerLayoutBlockWithAPartialRecordEndsWhereItsSizeSays) {
    // Records of the newer layout: command, velocity, step (u16), gate (u16).
    auto notes = [](int count) {
        RcpFileBuilder::Track track;
        for (int i = 0; i < count; ++i)
            track.records.push_back({static_cast<uint8_t>(0x3C + i), 0x64, 0x30, 0x00, 0x20, 0x00});
        track.records.push_back({0xFE, 0, 0, 0, 0, 0});
        return track;
    };
    std::vector<uint8_t> file = RcpFileBuilder(true).AddTrack(notes(2)).AddTrack(notes(3)).Build();
    // Three stray bytes after the first block's end mark, counted in its size.
    const size_t first = 0xC98, first_size = 46 + 3 * 6;
    file.insert(file.begin() + first + first_size, {0x11, 0x22, 0x33});
    file[first] = static_cast<uint8_t>(first_size + 3);
    SmfFile smf = ConvertBytes(file);
    ASSERT_EQ(smf.error, "");
    ASSERT_EQ(smf.tracks.size(), 3u);
    EXPECT_EQ(Timeline(smf.tracks[1]).size(), 4u);
    const auto second = Timeline(smf.tracks[2]);
    ASSERT_EQ(second.size(), 6u);
    EXPECT_EQ(second[0], Timed(0, {0x90, 0x3C, 0x64}));
}

TEST(DamagedInput, RandomCorruptionNeverBreaksTheOutput) {
    std::vector<uint8_t> base;
    {
        RcpFileBuilder builder;
        RcpFileBuilder::Track track = Notes(30);
        track.records.insert(track.records.begin() + 5, {{0xF9, 1, 0, 0}});
        track.records.insert(track.records.begin() + 10, {{0xF8, 4, 0, 0}});
        track.records.insert(track.records.begin() + 12, {{0xFC, 0, 0x2C, 0}});
        builder.AddTrack(track).AddTrack(Notes(20));
        base = builder.Build();
    }
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> file = base;
        int flips = 1 + round % 16;
        for (int i = 0; i < flips; ++i) {
            size_t at = 0x1C0 + random() % (file.size() - 0x1C0);
            file[at] = static_cast<uint8_t>(random());
        }
        file.resize(file.size() - random() % 64);
        auto smf = rcpcv::ConvertRcpToSmf(file);
        if (smf) {
            EXPECT_EQ(ReadSmf(smf->data(), smf->size()).error, "") << "round " << round;
        }
    }
}

}  // namespace
}  // namespace rcpcv_test
