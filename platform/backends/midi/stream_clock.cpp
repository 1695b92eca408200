#include "platform/backends/midi/stream_clock.h"

#include <cmath>

namespace platform::winmm {
namespace {

// Each window gives its earliest request. A second holds many cycles of a
// sound server's request pattern, so the earliest lies on the line.
constexpr double kWindowNs = 1e9;
// How much of the past the line is fitted to: long enough to smooth the
// requests' scatter away, short enough to follow a sound card's clock as it
// warms up.
constexpr double kKeepNs = 30e9;
constexpr int kLowsToFit = 3;
// Every request for this long lying this far above the line: the stream
// stopped and went on later (an underrun), and what is heard moved with it.
// A sound server's request pattern repeats many times over that time, so
// its earliest requests would have reached the line.
constexpr double kStepProofNs = 0.9e9;
constexpr double kStepNs = 1e6;
// A request this far before the line means the stream was rebuilt (a new
// device): the estimate starts again from it. One this far after it is only
// a stall (the machine, the server or this process held up for a moment),
// which leaves the line where it is, unless every request for a tenth of a
// second is: then the stream stopped and went on later (a long underrun, a
// suspend), and the line moves to it.
constexpr double kRelockNs = 20e6;
constexpr double kLongStepProofNs = 0.1e9;
// A fitted rate further than this from the nominal one is noise at the
// start, not a device's clock.
constexpr double kMostRateError = 0.005;

}  // namespace

void StreamClock::Restart(int sample_rate) {
    sample_rate_ = sample_rate > 0 ? sample_rate : 44100;
    locked_ = false;
    exact_ = false;
    buffer_frame_ = 0;
    next_frame_ = 0;
}

void StreamClock::Lock(double now_ns) {
    locked_ = true;
    line_frame_ = buffer_frame_;
    line_ns_ = now_ns;
    ns_per_frame_ = 1e9 / sample_rate_;
    window_start_ns_ = now_ns;
    window_low_ = {buffer_frame_, now_ns};
    first_low_ = 0;
    low_count_ = 0;
    late_since_ns_ = -1;
}

void StreamClock::OnLiveBuffer(std::uint64_t now_ns, int frames) {
    const double now = static_cast<double>(now_ns);
    buffer_frame_ = next_frame_;
    next_frame_ += frames;
    if (!locked_ || now - LineNs(buffer_frame_) < -kRelockNs) {
        Lock(now);
        return;
    }
    const Point request{buffer_frame_, now};
    if (FollowLongStep(request))
        return;
    // Until the line is fitted it runs at the nominal rate through the
    // earliest request yet: the first ones may all have come late.
    if (low_count_ < kLowsToFit && Above(request) < 0)
        line_ns_ += Above(request);
    if (now - window_start_ns_ >= kWindowNs) {
        KeepWindowLow(now);
        window_start_ns_ = now;
        window_low_ = request;
    } else if (Above(request) < Above(window_low_)) {
        window_low_ = request;
    }
    if (now - window_start_ns_ >= kStepProofNs && Above(window_low_) > kStepNs)
        StepLineTo(window_low_);
}

void StreamClock::StepLineTo(const Point& earliest) {
    // The line keeps its rate and moves to the stream as it now runs; the
    // earlier windows no longer describe it.
    line_ns_ += Above(earliest);
    first_low_ = 0;
    low_count_ = 0;
}

bool StreamClock::FollowLongStep(const Point& request) {
    if (Above(request) <= kRelockNs) {
        late_since_ns_ = -1;
        return false;
    }
    if (late_since_ns_ < 0) {
        late_since_ns_ = request.ns;
        late_low_ = request;
    } else if (Above(request) < Above(late_low_)) {
        late_low_ = request;
    }
    if (request.ns - late_since_ns_ < kLongStepProofNs)
        return true;
    // The window being gathered holds requests from before the stop.
    StepLineTo(late_low_);
    window_start_ns_ = request.ns;
    window_low_ = request;
    late_since_ns_ = -1;
    return true;
}

void StreamClock::KeepWindowLow(double now_ns) {
    if (low_count_ == kMaxLows) {
        first_low_ = (first_low_ + 1) % kMaxLows;
        --low_count_;
    }
    lows_[(first_low_ + low_count_) % kMaxLows] = window_low_;
    ++low_count_;
    while (low_count_ > 0 && now_ns - Low(0).ns > kKeepNs) {
        first_low_ = (first_low_ + 1) % kMaxLows;
        --low_count_;
    }
    FitLine();
}

void StreamClock::FitLine() {
    if (low_count_ < kLowsToFit)
        return;
    // Least squares, about the first point so that the sums keep their
    // precision.
    const Point& base = Low(0);
    double sum_x = 0, sum_y = 0, sum_xx = 0, sum_xy = 0;
    for (int i = 0; i < low_count_; ++i) {
        const double x = Low(i).frame - base.frame;
        const double y = Low(i).ns - base.ns;
        sum_x += x;
        sum_y += y;
        sum_xx += x * x;
        sum_xy += x * y;
    }
    const double n = low_count_;
    const double spread = n * sum_xx - sum_x * sum_x;
    if (spread <= 0)
        return;
    const double nominal = 1e9 / sample_rate_;
    double slope = (n * sum_xy - sum_x * sum_y) / spread;
    if (std::fabs(slope / nominal - 1) > kMostRateError)
        slope = nominal;
    line_frame_ = base.frame + sum_x / n;
    line_ns_ = base.ns + sum_y / n;
    ns_per_frame_ = slope;
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
    return static_cast<std::uint64_t>(LineNs(buffer_frame_ + offset));
}

bool StreamClock::DueBeforeBlock(std::uint64_t due_ns, int offset, int block_frames) const {
    // Rounding half up in frames: a message due exactly at mid-block goes to
    // the later edge, as a frame count rounded to the nearest block would.
    const std::uint64_t middle = FrameTime(offset + block_frames / 2);
    return due_ns < middle;
}

}  // namespace platform::winmm
