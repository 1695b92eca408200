// The stream clock: messages go to the block edge nearest their time, and a
// live output's late and scattered buffer requests become a steady frame clock.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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

// A sound server with a device 200 ppm fast: it asks for each 256-frame
// buffer on its own 5 ms step once the one before has played, and each
// request reaches the synth up to 1 ms later still.
class ServerRequests {
public:
    static constexpr int kFrames = 256;
    explicit ServerRequests(unsigned seed) : random_(seed) {}
    static double BufferNs() { return kFrames * 1e9 / kRate * (1 - 200e-6); }
    double AskedNs(double played_ns) {
        constexpr double kServerStepNs = 5e6;
        return std::ceil(played_ns / kServerStepNs) * kServerStepNs + wake_(random_);
    }

private:
    std::mt19937 random_;
    std::uniform_real_distribution<double> wake_{0, 1e6};
};

TEST(StreamClockTest, LateRequestsGiveTheDeviceClockAndFollowAnUnderrun) {
    ServerRequests server(7);
    StreamClock clock(kRate);
    auto spread_of = [](const std::vector<double>& values) {
        const auto [low, high] = std::minmax_element(values.begin(), values.end());
        return *high - *low;
    };
    std::vector<double> steady_ns;
    std::vector<double> after_gap_ns;
    double start = 1e9;
    for (int k = 0; k < 6000; ++k) {
        // Halfway the stream stops for 12 ms and goes on from where it was.
        if (k == 3000)
            start += 12e6;
        // The first eight come at once as the server fills its buffer.
        const double played = start + std::max(0, k - 8) * ServerRequests::BufferNs();
        clock.OnLiveBuffer(static_cast<std::uint64_t>(server.AskedNs(played)),
                           ServerRequests::kFrames);
        const double error = static_cast<double>(clock.FrameTime(0)) - played;
        if (k >= 1000 && k < 3000)  // from about six seconds on
            steady_ns.push_back(error);
        if (k >= 3350 && k < 6000)  // from two seconds after the gap
            after_gap_ns.push_back(error);
    }
    // The requests scatter over 6 ms; the frames keep their spacing to a
    // fifth of a block (1.45 ms), before the gap and after it, where they
    // follow the stream to where it went on.
    EXPECT_LT(spread_of(steady_ns), 0.3e6);
    EXPECT_LT(spread_of(after_gap_ns), 0.3e6);
    EXPECT_NEAR(after_gap_ns.front(), steady_ns.back(), 0.3e6);
}

TEST(StreamClockTest, AStalledRequestLeavesTheLineAndALongStopMovesIt) {
    ServerRequests server(11);
    StreamClock clock(kRate);
    double start = 1e9;
    double stall_end = 0;
    double before_stall = 0;
    double after_stall_worst = 0;
    for (int k = 0; k < 4200; ++k) {
        // At about 12 s the server is held up for 30 ms and then asks for
        // everything it missed at once; what is heard does not move. At
        // about 17 s the stream stops for 50 ms and goes on from there.
        if (k == 3000)
            start += 50e6;
        const double played = start + k * ServerRequests::BufferNs();
        double asked = server.AskedNs(played);
        if (k == 2000)
            stall_end = asked + 30e6;
        asked = std::max(asked, std::min(stall_end, asked + 30e6));
        clock.OnLiveBuffer(static_cast<std::uint64_t>(asked), ServerRequests::kFrames);
        const double error = static_cast<double>(clock.FrameTime(0)) - played;
        if (k == 1999)
            before_stall = error;
        if (k >= 2000 && k < 3000)
            after_stall_worst = std::max(after_stall_worst, std::fabs(error - before_stall));
        if (k == 3030) {  // 0.17 s after the stop
            EXPECT_NEAR(error, before_stall, 1e6);
        }
    }
    EXPECT_LT(after_stall_worst, 0.3e6);
}

}  // namespace
