// The stream clock: messages go to the block edge nearest their time, and a
// live output's jittery buffer requests become a steady frame clock.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "platform/backends/midi/stream_clock.h"

namespace {

using platform::winmm::StreamClock;

constexpr int kRate = 44100;
constexpr int kBlock = 64;

std::uint64_t FrameNs(double frame) {
    return static_cast<std::uint64_t>(frame * 1e9 / kRate);
}

TEST(StreamClockTest, AnOfflineMessageGoesToTheNearestBlockEdge) {
    StreamClock clock(kRate);
    const std::uint64_t origin = 5'000'000'000u;
    clock.StartExact(origin);
    clock.AdvanceExact(kBlock);  // the block that starts at frame 64 is next
    // Frames 32 to 95 are nearest to the edge at 64; from 96 on the next one.
    EXPECT_TRUE(clock.DueBeforeBlock(origin + FrameNs(95.9), 0, kBlock));
    EXPECT_FALSE(clock.DueBeforeBlock(origin + FrameNs(96.1), 0, kBlock));
    EXPECT_TRUE(clock.DueBeforeBlock(origin + FrameNs(10), 0, kBlock));  // late: at once
    // Hours in, whole frames are still counted exactly.
    clock.AdvanceExact(kRate * 3600);
    EXPECT_EQ(clock.FrameTime(0), origin + 3600'000'000'000u + FrameNs(kBlock));
}

TEST(StreamClockTest, JitteryRequestsBecomeASteadyFrameClock) {
    constexpr int kFrames = 256;
    // The device runs 200 ppm fast; requests arrive up to 2 ms late, and the
    // first eight come at once, as a sound server fills its buffer.
    const double period_ns = kFrames * 1e9 / kRate * (1 - 200e-6);
    std::mt19937 random(7);
    std::uniform_real_distribution<double> lateness(0, 2e6);
    StreamClock clock(kRate);
    std::vector<double> error_ns;
    auto spread_of = [](const std::vector<double>& values) {
        const auto [low, high] = std::minmax_element(values.begin(), values.end());
        return *high - *low;
    };
    std::vector<double> after_gap_ns;
    double start = 1e9;
    for (int k = 0; k < 4000; ++k) {
        // Halfway the stream stops for 12 ms and starts again where it was.
        if (k == 2000)
            start += 12e6;
        const double due = start + std::max(0, k - 8) * period_ns;
        clock.OnLiveBuffer(static_cast<std::uint64_t>(due + lateness(random)), kFrames);
        const double error = static_cast<double>(clock.FrameTime(0)) - due;
        if (k >= 1000 && k < 2000)  // after about six seconds
            error_ns.push_back(error);
        if (k >= 2100 && k < 2300)  // from 0.6 s after the gap
            after_gap_ns.push_back(error);
    }
    // The frames keep their spacing to well within a block (1.45 ms), where
    // the requests themselves scatter over 2 ms; within a second of the gap
    // they follow the stream to where it went on.
    EXPECT_LT(spread_of(error_ns), 0.5e6);
    EXPECT_LT(spread_of(after_gap_ns), 0.5e6);
    EXPECT_NEAR(after_gap_ns.back(), error_ns.back(), 0.5e6);
}

}  // namespace
