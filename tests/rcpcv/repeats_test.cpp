// Loops and same-measure references, including the ones hostile files build.
#include "tests/rcpcv/conversion_helpers.h"

namespace rcpcv_test {
namespace {

std::vector<uint32_t> NoteOnTicks(const std::vector<SmfEvent>& events, uint8_t key) {
    std::vector<uint32_t> ticks;
    for (const auto& e : ChannelEvents(events)) {
        if (e.bytes[0] == 0x90 && e.bytes[1] == key && e.bytes[2] != 0) {
            ticks.push_back(e.tick);
        }
    }
    return ticks;
}

TEST(Loops, CountIsTheTotalNumberOfPasses) {
    auto events = ConvertTrack(WithRecords({{0xF9, 0x01, 0, 0},
                                            {0x3C, 0x0C, 0x0A, 0x64},
                                            {0x3E, 0x0C, 0x0A, 0x64},
                                            {0xF8, 0x03, 0, 0},
                                            {0xFD, 0x01, 0, 0},
                                            {0x40, 0x0C, 0x0A, 0x64}}));
    EXPECT_EQ(NoteOnTicks(events, 0x3C), (std::vector<uint32_t>{0, 24, 48}));
    EXPECT_EQ(NoteOnTicks(events, 0x3E), (std::vector<uint32_t>{12, 36, 60}));
    EXPECT_EQ(NoteOnTicks(events, 0x40), (std::vector<uint32_t>{72}));
}

TEST(Loops, NestedInnerLoopRestartsWithEachOuterPass) {
    // F9 A F9 B F8(3) F8(2) -> A B B B A B B B
    auto events = ConvertTrack(WithRecords({{0xF9, 0x01, 0, 0},
                                            {0x3C, 0x04, 0x02, 0x64},
                                            {0xF9, 0x01, 0, 0},
                                            {0x3E, 0x04, 0x02, 0x64},
                                            {0xF8, 0x03, 0, 0},
                                            {0xF8, 0x02, 0, 0}}));
    EXPECT_EQ(NoteOnTicks(events, 0x3C), (std::vector<uint32_t>{0, 16}));
    EXPECT_EQ(NoteOnTicks(events, 0x3E), (std::vector<uint32_t>{4, 8, 12, 20, 24, 28}));
}

TEST(Loops, EndlessCountPlaysTwiceAndUnbalancedClosesAreIgnored) {
    auto events = ConvertTrack(WithRecords({{0xF8, 0x05, 0, 0},  // close without open
                                            {0xF9, 0x01, 0, 0},
                                            {0x3C, 0x04, 0x02, 0x64},
                                            {0xF8, 0x00, 0, 0},  // endless
                                            {0xF9, 0x01, 0, 0},  // never closed
                                            {0x3E, 0x04, 0x02, 0x64}}));
    EXPECT_EQ(NoteOnTicks(events, 0x3C), (std::vector<uint32_t>{0, 4}));
    EXPECT_EQ(NoteOnTicks(events, 0x3E), (std::vector<uint32_t>{8}));
}

TEST(Loops, TooDeepNestingPlaysTheExtraLevelsOnceAndKeepsPairsRight) {
    std::vector<Bytes> records;
    for (int i = 0; i < 20; ++i) {
        records.push_back({0xF9, 0x01, 0, 0});
    }
    records.push_back({0x3C, 0x01, 0x01, 0x64});
    for (int i = 0; i < 20; ++i) {
        records.push_back({0xF8, 0x02, 0, 0});
    }
    // Sixteen levels of two passes each: 2^16 notes; the four ignored levels add nothing.
    auto events = ConvertTrack(WithRecords(records));
    EXPECT_EQ(NoteOnTicks(events, 0x3C).size(), 65536u);
}

TEST(Loops, LoopBombIsCutOffAtTheSongBudget) {
    std::vector<Bytes> records;
    for (int i = 0; i < 8; ++i) {
        records.push_back({0xF9, 0x01, 0, 0});
    }
    records.push_back({0x3C, 0x01, 0x01, 0x64});
    for (int i = 0; i < 8; ++i) {
        records.push_back({0xF8, 0xFF, 0, 0});  // 255^8 passes
    }
    std::vector<uint8_t> file = RcpFileBuilder().AddTrack(WithRecords(records)).Build();
    rcpcv::ConversionLimits limits;
    limits.max_records = 100000;
    auto smf = rcpcv::ConvertRcpToSmf(file, limits);
    ASSERT_TRUE(smf.has_value());
    SmfFile read = ReadSmf(smf->data(), smf->size());
    ASSERT_EQ(read.error, "");
    size_t notes = NoteOnTicks(read.tracks.at(1), 0x3C).size();
    EXPECT_GT(notes, 1000u);
    EXPECT_LT(notes, 100000u);
    // Every note that started also ends.
    size_t offs = 0;
    for (const auto& e : read.tracks[1]) {
        offs += e.bytes.size() == 3 && e.bytes[0] == 0x90 && e.bytes[2] == 0;
    }
    EXPECT_EQ(offs, notes);
}

TEST(Loops, SixteenBitCountsAndStepsStopAtTheLongestTimeAnSmfCanHold) {
    RcpFileBuilder::Track track;
    track.records = {{0xF9, 0, 0, 0, 0, 0},
                     {0xF9, 0, 0, 0, 0, 0},
                     {0x3C, 0x64, 0xFF, 0xFF, 0xFF, 0xFF},  // step and gate 65535
                     {0xF8, 0, 0xFF, 0xFF, 0, 0},
                     {0xF8, 0, 0xFF, 0xFF, 0, 0},
                     {0xFE, 0, 0, 0, 0, 0}};
    SmfFile smf = ConvertBytes(RcpFileBuilder(true).AddTrack(track).Build());
    ASSERT_EQ(smf.error, "");  // the reader accepts 4-byte delta times only
    ASSERT_EQ(smf.tracks.size(), 2u);
    uint32_t end = smf.tracks[1].back().tick;
    EXPECT_GE(end, 0x0F000000u);
    EXPECT_LE(end, 0x0FFFFFFFu);
    EXPECT_EQ(smf.tracks[0].back().tick, end);  // the conductor lasts as long
}

TEST(SameMeasure, ChainsAreFollowedAndSelfReferencesSkipped) {
    // index 0 C4, 1 FD, 2 FC->0, 3 FC->2 (chain), 4 FC->itself, 5 D4
    auto events = ConvertTrack(WithRecords({{0x3C, 0x0C, 0x06, 0x64},
                                            {0xFD, 0x01, 0, 0},
                                            {0xFC, 0x00, 0x2C, 0x00},
                                            {0xFC, 0x01, 0x34, 0x00},
                                            {0xFC, 0x03, 0x3C, 0x00},
                                            {0x3E, 0x0C, 0x06, 0x64}}));
    EXPECT_EQ(NoteOnTicks(events, 0x3C), (std::vector<uint32_t>{0, 12, 24}));
    EXPECT_EQ(NoteOnTicks(events, 0x3E), (std::vector<uint32_t>{36}));
}

TEST(SameMeasure, BadTargetsAndCyclesAreEmptyMeasures) {
    auto events = ConvertTrack(WithRecords({{0xFC, 0x00, 0x10, 0x00},  // below the header
                                            {0xFC, 0x00, 0x00, 0x40},  // past the track
                                            {0xFC, 0x00, 0x34, 0x00},  // -> next FC
                                            {0xFC, 0x00, 0x30, 0x00},  // -> previous: a cycle
                                            {0x3E, 0x0C, 0x06, 0x64}}));
    EXPECT_EQ(NoteOnTicks(events, 0x3E), (std::vector<uint32_t>{0}));
}

TEST(SameMeasure, LoopInsideTheReferencedMeasureRepeatsThere) {
    auto events = ConvertTrack(WithRecords({{0xF9, 0x01, 0, 0},
                                            {0x3C, 0x04, 0x02, 0x64},
                                            {0xF8, 0x02, 0, 0},
                                            {0xFD, 0x01, 0, 0},
                                            {0xFC, 0x00, 0x2C, 0x00},  // measure 0 again
                                            {0x3E, 0x04, 0x02, 0x64}}));
    EXPECT_EQ(NoteOnTicks(events, 0x3C), (std::vector<uint32_t>{0, 4, 8, 12}));
    EXPECT_EQ(NoteOnTicks(events, 0x3E), (std::vector<uint32_t>{16}));
}

}  // namespace
}  // namespace rcpcv_test
