#include "platform/backends/midi/stream_clock.h"

#include <algorithm>
#include <cmath>

namespace platform::winmm {
namespace {

// The loop's bandwidth: wide when it locks, so it settles within a second
// of the output starting (whose first buffers a sound server asks for in a
// burst), then narrowing buffer by buffer to where it smooths away the
// arrival jitter and still follows a sound card's clock.
constexpr double kLockBandwidthHz = 4.0;
constexpr double kSteadyBandwidthHz = 0.5;
constexpr double kNarrowingPerBuffer = 0.99;
constexpr int kOffBuffersToReopen = 4;
// A request this far from the estimate means the stream stopped or was
// rebuilt (a suspend, an underrun): the estimate starts again from it.
constexpr double kRelockNs = 20e6;

}  // namespace

void StreamClock::Restart(int sample_rate) {
    sample_rate_ = sample_rate > 0 ? sample_rate : 44100;
    locked_ = false;
    exact_ = false;
    buffer_frames_ = 0;
}

void StreamClock::OnLiveBuffer(std::uint64_t now_ns, int frames) {
    const double now = static_cast<double>(now_ns);
    const double nominal_ns = 1e9 * frames / sample_rate_;
    if (!locked_ || frames != buffer_frames_ || std::fabs(now - next_start_ns_) > kRelockNs) {
        locked_ = true;
        buffer_frames_ = frames;
        buffer_ns_ = nominal_ns;
        buffer_start_ns_ = now;
        next_start_ns_ = now + nominal_ns;
        bandwidth_hz_ = kLockBandwidthHz;
        off_count_ = 0;
        return;
    }
    const double error = now - next_start_ns_;
    // Requests a buffer or more off the estimate, again and again: the
    // stream stopped and started again (a sound server's underrun), and
    // what is heard moved with it. The loop opens wide to follow at once.
    off_count_ = std::fabs(error) > nominal_ns ? off_count_ + 1 : 0;
    if (off_count_ >= kOffBuffersToReopen) {
        off_count_ = 0;
        bandwidth_hz_ = kLockBandwidthHz;
    }
    // A second-order delay-locked loop: the phase error moves the next
    // buffer's time a little and the buffer length less.
    bandwidth_hz_ = std::max(kSteadyBandwidthHz, bandwidth_hz_ * kNarrowingPerBuffer);
    const double omega = 2 * M_PI * bandwidth_hz_ * nominal_ns * 1e-9;
    buffer_start_ns_ = next_start_ns_;
    next_start_ns_ += std::sqrt(2.0) * omega * error + buffer_ns_;
    buffer_ns_ += omega * omega * error;
}

void StreamClock::StartExact(std::uint64_t origin_ns) {
    exact_ = true;
    origin_ns_ = origin_ns;
    exact_frames_ = 0;
}

void StreamClock::AdvanceExact(int frames) {
    exact_frames_ += static_cast<std::uint64_t>(frames);
}

std::uint64_t StreamClock::FrameTime(int offset) const {
    if (exact_) {
        const std::uint64_t frame = exact_frames_ + static_cast<std::uint64_t>(offset);
        return origin_ns_ + frame / static_cast<std::uint64_t>(sample_rate_) * 1'000'000'000u +
               frame % static_cast<std::uint64_t>(sample_rate_) * 1'000'000'000u /
                   static_cast<std::uint64_t>(sample_rate_);
    }
    if (!locked_)
        return 0;
    const double length = buffer_frames_ > 0 ? (next_start_ns_ - buffer_start_ns_) / buffer_frames_
                                             : 1e9 / sample_rate_;
    return static_cast<std::uint64_t>(buffer_start_ns_ + length * offset);
}

bool StreamClock::DueBeforeBlock(std::uint64_t due_ns, int offset, int block_frames) const {
    // Rounding half up in frames: a message due exactly at mid-block goes to
    // the later edge, as a frame count rounded to the nearest block would.
    const std::uint64_t middle = FrameTime(offset + block_frames / 2);
    return due_ns < middle;
}

}  // namespace platform::winmm
