// Endless loops for a looping player: given once with their start marked by controller 111
// when every track agrees on the loop, else converted as by default.
#include "tests/rcpcv/conversion_helpers.h"

namespace rcpcv_test {
namespace {

using Track = RcpFileBuilder::Track;
const Bytes kOpen = {0xF9, 0x01, 0, 0};
const Bytes kEndlessClose = {0xF8, 0x00, 0, 0};

Bytes Note(uint8_t key, uint8_t step, uint8_t gate) {
    return {key, step, gate, 0x64};
}

Track OnChannel(uint8_t channel, std::vector<Bytes> records) {
    records.push_back({0xFE, 0, 0, 0});
    return {channel, 0, 0, 0, "TRACK", std::move(records)};
}

// A lead with 12 ticks of intro and an endless loop of one note ringing past the loop's end,
// then a note the loop never reaches; and `others`.
std::vector<uint8_t> Song(const std::vector<Track>& others) {
    RcpFileBuilder builder;
    builder.AddTrack(OnChannel(
        0, {Note(0x3C, 12, 6), kOpen, Note(0x3E, 12, 20), kEndlessClose, Note(0x40, 12, 6)}));
    for (const Track& track : others) {
        builder.AddTrack(track);
    }
    return builder.Build();
}

std::vector<uint8_t> Convert(const std::vector<uint8_t>& file, bool mark) {
    rcpcv::ConversionOptions options;
    options.mark_endless_loop = mark;
    return rcpcv::ConvertRcpToSmf(file, {}, options).value_or(std::vector<uint8_t>{});
}

TEST(EndlessLoops, GivenOnceAndMarkedOnlyWhenEveryTrackAgrees) {
    // A second loop over the same ticks, its intro note held into the loop where the same key
    // is struck; and a track that is over before the loop starts.
    const auto file = Song({OnChannel(1, {Note(0x30, 12, 20), kOpen, Note(0x30, 6, 3),
                                          Note(0x34, 6, 3), kEndlessClose}),
                            OnChannel(2, {Note(0x24, 12, 6)})});
    const std::vector<uint8_t> marked = Convert(file, true);
    SmfFile smf = ReadSmf(marked.data(), marked.size());
    ASSERT_EQ(smf.error, "");
    ASSERT_EQ(smf.tracks.size(), 4u);
    EXPECT_EQ(Timeline(smf.tracks[0]), (std::vector<Timed>{{12, {0xB0, 0x6F, 0x00}}}));
    // The note ringing at the loop's end is released there; nothing after the loop plays.
    EXPECT_EQ(Timeline(smf.tracks[1]), (std::vector<Timed>{{0, {0x90, 0x3C, 0x64}},
                                                           {6, {0x90, 0x3C, 0x00}},
                                                           {12, {0x90, 0x3E, 0x64}},
                                                           {24, {0x90, 0x3E, 0x00}}}));
    // Struck again rather than tied: after the jump back the held note is gone.
    const auto second = Timeline(smf.tracks[2]);
    ASSERT_EQ(second.size(), 6u);
    EXPECT_EQ(second[1], (Timed{12, {0x91, 0x30, 0x00}}));
    EXPECT_EQ(second[2], (Timed{12, {0x91, 0x30, 0x64}}));
    for (const auto& track : smf.tracks) {
        EXPECT_EQ(track.back().tick, 24u);  // every track, and so the song, ends with the body
    }
    // The plain call is the default conversion.
    EXPECT_EQ(Convert(file, false), *rcpcv::ConvertRcpToSmf(file));

    const std::vector<Track> disagreeing[] = {
        // The loop starts later; its body is longer.
        {OnChannel(1, {Note(0x30, 24, 6), kOpen, Note(0x32, 12, 6), kEndlessClose})},
        {OnChannel(1, {Note(0x30, 12, 6), kOpen, Note(0x32, 24, 6), kEndlessClose})},
        // A track without an endless loop plays on past the loop's start.
        {OnChannel(1, {Note(0x30, 12, 6), Note(0x32, 12, 6)})},
        // The only endless loop is inside a counted one.
        {OnChannel(1, {Note(0x30, 12, 6),
                       kOpen,
                       kOpen,
                       Note(0x32, 12, 6),
                       kEndlessClose,
                       {0xF8, 0x02, 0, 0}})},
    };
    for (const auto& others : disagreeing) {
        const auto song = Song(others);
        EXPECT_EQ(Convert(song, true), Convert(song, false));
    }
}

}  // namespace
}  // namespace rcpcv_test
