// Shared by the converter's tests: convert a built file and read the result back.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "rcpcv/song_converter.h"
#include "tests/rcpcv/rcp_file_builder.h"
#include "tests/rcpcv/smf_reader.h"

namespace rcpcv_test {

inline SmfFile ConvertBytes(const std::vector<uint8_t>& file) {
    auto smf = rcpcv::ConvertRcpToSmf(file);
    if (!smf) {
        SmfFile failed;
        failed.error = "conversion refused";
        return failed;
    }
    return ReadSmf(smf->data(), smf->size());
}

// Converts a one-track song and returns that track's events (the conductor comes first).
inline std::vector<SmfEvent> ConvertTrack(RcpFileBuilder::Track track, bool extended = false) {
    SmfFile smf = ConvertBytes(RcpFileBuilder(extended).AddTrack(track).Build());
    EXPECT_EQ(smf.error, "");
    if (smf.tracks.size() < 2) {
        ADD_FAILURE() << "no song track";
        return {};
    }
    return smf.tracks[1];
}

using Bytes = std::vector<uint8_t>;

// A track of the given records on `channel`, closed by its end mark.
inline RcpFileBuilder::Track WithRecords(std::vector<Bytes> records, uint8_t channel = 0) {
    RcpFileBuilder::Track track;
    track.channel = channel;
    track.records = std::move(records);
    track.records.push_back({0xFE, 0, 0, 0});
    return track;
}

using Timed = std::pair<uint32_t, Bytes>;

inline std::vector<Timed> Timeline(const std::vector<SmfEvent>& events) {
    std::vector<Timed> out;
    for (const auto& e : ChannelEvents(events)) {
        out.emplace_back(e.tick, e.bytes);
    }
    return out;
}

}  // namespace rcpcv_test
