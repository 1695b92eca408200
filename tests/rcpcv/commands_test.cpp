// Event commands of both record layouts: what each one sends, and when.
#include "tests/rcpcv/conversion_helpers.h"

namespace rcpcv_test {
namespace {

TEST(Commands, ChannelMessagesUseTheTrackChannelAndDropInvalidValues) {
    auto events = Timeline(ConvertTrack(
        WithRecords({{0xEB, 0x00, 0x07, 0x64},   // volume 100
                     {0xEE, 0x05, 0x00, 0x40},   // pitch bend centre, 5 ticks
                     {0xEA, 0x00, 0x30, 0x00},   // channel pressure
                     {0xED, 0x00, 0x3C, 0x20},   // key pressure: key not transposed
                     {0xE1, 0x00, 0x05, 0x02},   // bank LSB 2, program 5
                     {0xE2, 0x00, 0x06, 0x01},   // bank MSB 1, program 6
                     {0xEC, 0x00, 0x80, 0x00},   // program 128 is not a data byte: dropped
                     {0xEB, 0x00, 0x07, 0x90}},  // value above 127: dropped
                    0x03)));
    std::vector<Timed> expected = {{0, {0xB3, 0x07, 0x64}}, {0, {0xE3, 0x00, 0x40}},
                                   {5, {0xD3, 0x30}},       {5, {0xA3, 0x3C, 0x20}},
                                   {5, {0xB3, 0x20, 0x02}}, {5, {0xC3, 0x05}},
                                   {5, {0xB3, 0x00, 0x01}}, {5, {0xC3, 0x06}}};
    EXPECT_EQ(events, expected);
}

TEST(Commands, RestsChordsAndRetriggerWhenGateEqualsStep) {
    auto events = Timeline(ConvertTrack(WithRecords({{0x3C, 0x00, 0x10, 0x64},  // chord
                                                     {0x40, 0x10, 0x10, 0x64},
                                                     {0x40, 0x10, 0x00, 0x64},  // gate 0: rest
                                                     {0x40, 0x10, 0x08, 0x00},  // vel 0: rest
                                                     {0x3C, 0x08, 0x08, 0x50},
                                                     {0x3C, 0x08, 0x08, 0x50}})));
    std::vector<Timed> expected = {{0, {0x90, 0x3C, 0x64}},  {0, {0x90, 0x40, 0x64}},
                                   {16, {0x90, 0x3C, 0x00}}, {16, {0x90, 0x40, 0x00}},
                                   {48, {0x90, 0x3C, 0x50}}, {56, {0x90, 0x3C, 0x00}},
                                   {56, {0x90, 0x3C, 0x50}}, {64, {0x90, 0x3C, 0x00}}};
    EXPECT_EQ(events, expected);
}

TEST(Commands, NoteEndsOnItsOwnChannelAfterAChannelChange) {
    auto events = Timeline(ConvertTrack(WithRecords({{0x3C, 0x04, 0x20, 0x64},
                                                     {0xE6, 0x04, 0x0A, 0x00},  // channel 10
                                                     {0x3C, 0x04, 0x02, 0x64},
                                                     {0xE6, 0x00, 0x00, 0x00},  // off
                                                     {0x3E, 0x04, 0x02, 0x64}})));
    std::vector<Timed> expected = {{0, {0x90, 0x3C, 0x64}},
                                   {8, {0x99, 0x3C, 0x64}},
                                   {10, {0x99, 0x3C, 0x00}},
                                   {32, {0x90, 0x3C, 0x00}}};
    EXPECT_EQ(events, expected);
}

TEST(Commands, CommandsFromF5OnNeverTakeTime) {
    // Measure ends and loop opens written with a step of 1, a key change with its key in the
    // step field: none of them moves the next note.
    SmfFile smf = ConvertBytes(RcpFileBuilder()
                                   .AddTrack(WithRecords({{0xFD, 0x01, 0, 0},
                                                          {0xF5, 0x1B, 0, 0},
                                                          {0x3C, 0x0C, 0x06, 0x64},
                                                          {0xF6, 0x30, 'H', 'I'},
                                                          {0xF7, 0x30, '!', ' '},
                                                          {0x3E, 0x0C, 0x06, 0x64}}))
                                   .Build());
    ASSERT_EQ(smf.error, "");
    auto notes = Timeline(smf.tracks[1]);
    ASSERT_EQ(notes.size(), 4u);
    EXPECT_EQ(notes[0].first, 0u);
    EXPECT_EQ(notes[2].first, 12u);
    // The comment is a text event on the track; the key change (C minor) is in the conductor.
    bool comment_found = false;
    for (const auto& e : smf.tracks[1]) {
        if (e.bytes == Bytes{0xFF, 0x01, 0x03, 'H', 'I', '!'}) {
            comment_found = e.tick == 12;
        }
    }
    EXPECT_TRUE(comment_found);
    bool key_found = false;
    for (const auto& e : smf.tracks[0]) {
        if (e.bytes == Bytes{0xFF, 0x59, 0x02, 0xFD, 0x01} && e.tick == 0) {
            key_found = true;
        }
    }
    EXPECT_TRUE(key_found);
}

TEST(Commands, RolandParameterShortcutAndChannelExclusive) {
    auto events = ConvertTrack(WithRecords({{0xDE, 0x00, 0x30, 0x04},  // no base address yet
                                            {0xDF, 0x00, 0x10, 0x42},
                                            {0xDD, 0x00, 0x40, 0x01},
                                            {0xDE, 0x00, 0x30, 0x04},
                                            {0x98, 0x00, 0x00, 0x00},
                                            {0xF7, 0x00, 0x41, 0x10},
                                            {0xF7, 0x00, 0x42, 0x12},
                                            {0xF7, 0x00, 0x83, 0x40},
                                            {0xF7, 0x00, 0x00, 0x7F},
                                            {0xF7, 0x00, 0x00, 0x84},
                                            {0xF7, 0x00, 0xF7, 0xF7},
                                            {0x98, 0x00, 0x00, 0x00}}));  // no template: nothing
    std::vector<Bytes> sysex;
    for (const auto& e : events) {
        if (e.bytes[0] == 0xF0) {
            sysex.push_back(e.bytes);
        }
    }
    std::vector<Bytes> expected = {
        {0xF0, 0x0A, 0x41, 0x10, 0x42, 0x12, 0x40, 0x01, 0x30, 0x04, 0x0B, 0xF7},
        {0xF0, 0x0A, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}};
    EXPECT_EQ(sysex, expected);
}

TEST(Commands, DeviceShortcutsCarryTheChannelAndStopOnAnOffTrack) {
    auto sysex_of = [](Bytes record) {
        auto events = ConvertTrack(WithRecords({record, {0x3C, 0x01, 0x01, 0x40}}, 0x05));
        for (const auto& e : events) {
            if (e.bytes[0] == 0xF0) {
                return Bytes(e.bytes.begin() + 2, e.bytes.end());
            }
        }
        return Bytes{};
    };
    EXPECT_EQ(sysex_of({0xC0, 0, 0x85, 0x7F}), (Bytes{0x43, 0x15, 0x09, 0x05, 0x7F, 0xF7}));
    EXPECT_EQ(sysex_of({0xC5, 0, 0x10, 0x3A}), (Bytes{0x43, 0x15, 0x15, 0x10, 0x0A, 0x03, 0xF7}));
    EXPECT_EQ(sysex_of({0xCA, 0, 0x01, 0x02}), (Bytes{0x43, 0x15, 0x10, 0x7B, 0x01, 0x02, 0xF7}));
    EXPECT_EQ(sysex_of({0xDC, 0, 0x01, 0x02}), (Bytes{0x41, 0x32, 0x05, 0x01, 0x02, 0xF7}));
    EXPECT_EQ(sysex_of({0xC7, 0, 0x01, 0x80}), Bytes{});  // not a data byte

    // Yamaha: base address, then an XG parameter.
    auto events = ConvertTrack(WithRecords({{0xD0, 0, 0x08, 0x00}, {0xD3, 0, 0x07, 0x40}}));
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[1].bytes, (Bytes{0xF0, 0x08, 0x43, 0x10, 0x4C, 0x08, 0x00, 0x07, 0x40, 0xF7}));

    // On an off track only time and the conductor's events remain: the track is left out.
    SmfFile smf = ConvertBytes(
        RcpFileBuilder()
            .AddTrack(WithRecords(
                {{0xC3, 0, 1, 2}, {0x3C, 0x30, 0x10, 0x64}, {0xE7, 0x00, 0x20, 0x00}}, 0xFF))
            .Build());
    ASSERT_EQ(smf.error, "");
    ASSERT_EQ(smf.tracks.size(), 1u);
    EXPECT_EQ(smf.tracks[0].back().tick, 48u);  // the conductor ends after the tempo change
    EXPECT_EQ(smf.tracks[0][smf.tracks[0].size() - 2].bytes,
              (Bytes{0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40}));  // 60 BPM
}

TEST(Commands, UserExclusiveSubstitutesValuesAndChannel) {
    SmfFile smf = ConvertBytes(
        RcpFileBuilder()
            .UserExclusive(
                2, {0x41, 0x10, 0x42, 0x12, 0x83, 0x40, 0x82, 0x80, 0x81, 0x84})  // no F7: 24 bytes
            .AddTrack(WithRecords({{0x92, 0x00, 0x15, 0x33}, {0x92, 0x00, 0x95, 0x33}},  // > 0x7F
                                  0x01))
            .Build());
    ASSERT_EQ(smf.error, "");
    std::vector<Bytes> sysex;
    for (const auto& e : smf.tracks.at(1)) {
        if (e.bytes[0] == 0xF0) {
            sysex.push_back(e.bytes);
        }
    }
    // cs = 0x80 - ((0x40 + 0x01 + 0x15 + 0x33) & 0x7F) = 0x77
    std::vector<Bytes> expected = {
        {0xF0, 0x0A, 0x41, 0x10, 0x42, 0x12, 0x40, 0x01, 0x15, 0x33, 0x77, 0xF7}};
    EXPECT_EQ(sysex, expected);
}

TEST(Commands, NegativeStepShiftClampsAtTheStartAndPositiveDelays) {
    RcpFileBuilder::Track early = WithRecords({{0x3C, 0x10, 0x08, 0x64}, {0x3E, 0x10, 0x08, 0x64}});
    early.step_shift = static_cast<uint8_t>(-4);
    auto events = Timeline(ConvertTrack(early));
    std::vector<Timed> expected = {{0, {0x90, 0x3C, 0x64}},
                                   {4, {0x90, 0x3C, 0x00}},
                                   {12, {0x90, 0x3E, 0x64}},
                                   {20, {0x90, 0x3E, 0x00}}};
    EXPECT_EQ(events, expected);

    RcpFileBuilder::Track late = WithRecords({{0x3C, 0x10, 0x08, 0x64}});
    late.step_shift = 5;
    EXPECT_EQ(Timeline(ConvertTrack(late)).front().first, 5u);
}

TEST(Commands, TransposedOutOfRangeNotesAreDropped) {
    RcpFileBuilder::Track track = WithRecords({{0x7A, 0x04, 0x02, 0x64}, {0x10, 0x04, 0x02, 0x64}});
    track.key_shift = 0x0C;  // +12: 0x7A would pass 127
    auto events = Timeline(ConvertTrack(track));
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].second, (Bytes{0x90, 0x1C, 0x64}));
}

TEST(Commands, MutedTrackIsLeftOutButItsTempoStays) {
    RcpFileBuilder::Track muted = WithRecords({{0xE7, 0x00, 0x80, 0x00}, {0x3C, 0x10, 0x08, 0x64}});
    muted.mode = 1;
    SmfFile smf = ConvertBytes(RcpFileBuilder().AddTrack(muted).Build());
    ASSERT_EQ(smf.error, "");
    EXPECT_EQ(smf.tracks.size(), 1u);
    bool fast_tempo = false;
    for (const auto& e : smf.tracks[0]) {
        fast_tempo |= e.bytes == Bytes{0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90};
    }
    EXPECT_TRUE(fast_tempo);
}

TEST(ExtendedLayout, RecordsNotesTempoSameMeasureAndComments) {
    RcpFileBuilder builder(true);
    builder.Title("G36 SONG").Timebase(480);
    RcpFileBuilder::Track track;
    track.channel = 0x01;
    track.records = {{0x3C, 0x64, 0xE0, 0x01, 0x90, 0x01},  // note 60, vel 100, step 480, gate 400
                     {0xFD, 0x00, 0x01, 0x00, 0x00, 0x00},
                     {0xE7, 0x00, 0x00, 0x00, 0x60, 0x00},  // tempo x 96/64 -> 180 BPM
                     {0xFC, 0x00, 0x00, 0x00, 0x30, 0x00},  // same measure: record 0
                     {0xF6, 'H', 'E', 'L', 'L', 'O'},
                     {0xF7, ' ', 'G', '3', '6', ' '},
                     {0xFE, 0x00, 0x00, 0x00, 0x00, 0x00}};
    SmfFile smf = ConvertBytes(builder.AddTrack(track).Build());
    ASSERT_EQ(smf.error, "");
    EXPECT_EQ(smf.division, 480);
    ASSERT_EQ(smf.tracks.size(), 2u);
    std::vector<Timed> expected = {{0, {0x91, 0x3C, 0x64}},
                                   {400, {0x91, 0x3C, 0x00}},
                                   {480, {0x91, 0x3C, 0x64}},
                                   {880, {0x91, 0x3C, 0x00}}};
    EXPECT_EQ(Timeline(smf.tracks[1]), expected);
    bool comment = false;
    for (const auto& e : smf.tracks[1]) {
        comment |= e.tick == 960 &&
                   e.bytes == Bytes{0xFF, 0x01, 0x09, 'H', 'E', 'L', 'L', 'O', ' ', 'G', '3', '6'};
    }
    EXPECT_TRUE(comment);
    bool tempo = false;
    for (const auto& e : smf.tracks[0]) {
        tempo |= e.tick == 480 && e.bytes == Bytes{0xFF, 0x51, 0x03, 0x05, 0x16, 0x15};
    }
    EXPECT_TRUE(tempo);  // 333 333 us
    EXPECT_EQ(smf.tracks[0][0].bytes,
              (Bytes{0xFF, 0x03, 0x08, 'G', '3', '6', ' ', 'S', 'O', 'N', 'G'}));
}

}  // namespace
}  // namespace rcpcv_test
