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
    state.loop_progress = {true, 1, 2};
    EXPECT_TRUE(Lines(state).empty());  // loops off: as at normal settings
    state.tempo_percent = 120;
    state.muted = 1;
    state.loop = {LoopMode::kCount, 3, 8};
    state.loop_progress = {};
    EXPECT_EQ(Lines(state), (std::vector<std::string>{"TEMPO 120%", "MUTE 1", "LOOP 3"}));

    const std::pair<LoopSettings, LoopProgress> cases[] = {
        {{LoopMode::kCount}, {true, 0, 3}},         {{LoopMode::kCount}, {true, 2, 3}},
        {{LoopMode::kCount}, {true, 4, 3}},         {{LoopMode::kForever}, {}},
        {{LoopMode::kForever}, {true, 1234567, 0}},
    };
    const char* shown[] = {"LOOP INTRO", "LOOP 2/3", "LOOP FADE", "LOOP FOREVER",
                           "LOOP FOREVER 99999"};
    for (int i = 0; i < 5; ++i) {
        const TransportState looping{100, 0, -1, 0, cases[i].first, cases[i].second};
        EXPECT_EQ(Lines(looping), std::vector<std::string>{shown[i]});
    }
}

}  // namespace
