// Endless loops for a looping player: given once with their start marked by controller 111
// when every track agrees on the loop, else played a fixed number of times as by default.
#include <algorithm>

#include "tests/rcpcv/conversion_helpers.h"

namespace rcpcv_test {
namespace {

const Bytes kLoopOpen = {0xF9, 0x01, 0, 0};
const Bytes kEndlessClose = {0xF8, 0x00, 0, 0};
const Bytes kTrackEnd = {0xFE, 0, 0, 0};
const Timed kLoopStartMark = {12, {0xB0, 0x6F, 0x00}};

Bytes Note(uint8_t key, uint8_t step, uint8_t gate) {
    return {key, step, gate, 0x64};
}

RcpFileBuilder::Track OnChannel(uint8_t channel, std::vector<Bytes> records) {
    RcpFileBuilder::Track track;
    track.channel = channel;
    track.records = std::move(records);
    track.records.push_back(kTrackEnd);
    return track;
}

// A lead whose intro lasts 12 ticks and whose endless loop holds one note ringing past the
// loop's end, then a note the loop never reaches; and `others`.
std::vector<uint8_t> Song(const std::vector<RcpFileBuilder::Track>& others) {
    RcpFileBuilder builder;
    builder.AddTrack(OnChannel(
        0, {Note(0x3C, 12, 6), kLoopOpen, Note(0x3E, 12, 20), kEndlessClose, Note(0x40, 12, 6)}));
    for (const auto& track : others) {
        builder.AddTrack(track);
    }
    return builder.Build();
}

std::vector<uint8_t> Convert(const std::vector<uint8_t>& file, bool mark) {
    rcpcv::ConversionOptions options;
    options.mark_endless_loop = mark;
    return rcpcv::ConvertRcpToSmf(file, {}, options).value_or(std::vector<uint8_t>{});
}

TEST(EndlessLoops, AgreeingTracksGiveTheBodyOnceWithItsStartMarked) {
    // A second loop over the same ticks, and a track that is over before the loop starts.
    const auto file = Song({OnChannel(1, {Note(0x30, 12, 6), kLoopOpen, Note(0x32, 6, 3),
                                          Note(0x34, 6, 3), kEndlessClose}),
                            OnChannel(2, {Note(0x24, 12, 6)})});
    const std::vector<uint8_t> marked = Convert(file, true);
    SmfFile smf = ReadSmf(marked.data(), marked.size());
    ASSERT_EQ(smf.error, "");
    ASSERT_EQ(smf.tracks.size(), 4u);
    EXPECT_EQ(Timeline(smf.tracks[0]), std::vector<Timed>{kLoopStartMark});
    // The note ringing at the loop's end is released there; nothing after the loop plays.
    EXPECT_EQ(Timeline(smf.tracks[1]), (std::vector<Timed>{{0, {0x90, 0x3C, 0x64}},
                                                           {6, {0x90, 0x3C, 0x00}},
                                                           {12, {0x90, 0x3E, 0x64}},
                                                           {24, {0x90, 0x3E, 0x00}}}));
    EXPECT_EQ(Timeline(smf.tracks[2]).size(), 6u);
    // Every track ends with the loop body, so the song does.
    for (const auto& track : smf.tracks) {
        EXPECT_EQ(track.back().tick, 24u);
    }

    // By default (and through the library's plain call) the loop plays twice and then on.
    const std::vector<uint8_t> plain = Convert(file, false);
    EXPECT_EQ(plain, *rcpcv::ConvertRcpToSmf(file));
    SmfFile expanded = ReadSmf(plain.data(), plain.size());
    ASSERT_EQ(expanded.error, "");
    EXPECT_TRUE(Timeline(expanded.tracks[0]).empty());
    EXPECT_EQ(ChannelEvents(expanded.tracks[2]).size(), 10u);
    const auto lead = Timeline(expanded.tracks[1]);
    EXPECT_NE(std::find(lead.begin(), lead.end(), Timed{36, {0x90, 0x40, 0x64}}), lead.end());
}

TEST(EndlessLoops, TracksThatDisagreeAreConvertedAsByDefault) {
    const std::vector<RcpFileBuilder::Track> disagreeing[] = {
        // The loop starts later.
        {OnChannel(1, {Note(0x30, 24, 6), kLoopOpen, Note(0x32, 12, 6), kEndlessClose})},
        // The loop body is longer.
        {OnChannel(1, {Note(0x30, 12, 6), kLoopOpen, Note(0x32, 24, 6), kEndlessClose})},
        // A track without an endless loop plays on past the loop's start.
        {OnChannel(1, {Note(0x30, 12, 6), Note(0x32, 12, 6)})},
        // The only endless loop is inside a counted one.
        {OnChannel(1, {Note(0x30, 12, 6),
                       kLoopOpen,
                       kLoopOpen,
                       Note(0x32, 12, 6),
                       kEndlessClose,
                       {0xF8, 0x02, 0, 0}})},
    };
    for (const auto& others : disagreeing) {
        const auto file = Song(others);
        EXPECT_EQ(Convert(file, true), Convert(file, false));
    }
}

}  // namespace
}  // namespace rcpcv_test
