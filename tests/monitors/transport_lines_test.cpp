// The lines under the tempo wheel: the loop mode after the other settings,
// and the pass of a song with a loop in place of the mode.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "panels/transport_state.h"

namespace {

std::vector<std::string> Lines(const TransportState& state) {
    TransportLines lines;
    FormatTransportState(state, lines);
    std::vector<std::string> used;
    for (const auto& line : lines.text)
        if (line[0] != '\0')
            used.emplace_back(line);
    return used;
}

TEST(TransportLines, TheLoopModeComesLastAndAPassReplacesIt) {
    TransportState state;
    // Off, even with a loop in the song: nothing, as at normal settings.
    state.loop_progress = {true, 1, 2};
    EXPECT_TRUE(Lines(state).empty());

    state.tempo_percent = 120;
    state.muted = 1;
    state.loop = {LoopMode::kCount, 3, 8};
    state.loop_progress = {};
    EXPECT_EQ(Lines(state), (std::vector<std::string>{"TEMPO 120%", "MUTE 1", "LOOP 3"}));

    state = TransportState{};
    const struct {
        LoopMode mode;
        LoopProgress progress;
        const char* line;
    } cases[] = {
        {LoopMode::kCount, {true, 0, 3}, "LOOP INTRO"},
        {LoopMode::kCount, {true, 2, 3}, "LOOP 2/3"},
        {LoopMode::kCount, {true, 4, 3}, "LOOP FADE"},
        {LoopMode::kForever, {}, "LOOP FOREVER"},
        {LoopMode::kForever, {true, 12, 0}, "LOOP FOREVER 12"},
        {LoopMode::kForever, {true, 1234567, 0}, "LOOP FOREVER 99999"},
    };
    for (const auto& c : cases) {
        state.loop.mode = c.mode;
        state.loop_progress = c.progress;
        EXPECT_EQ(Lines(state), std::vector<std::string>{c.line});
    }
}

}  // namespace
