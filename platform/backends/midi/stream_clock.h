// Where an audio stream's frames lie on the clock that MIDI messages are
// stamped with, and the rule that places each message on the stream: at the
// edge of the synth's rendering block nearest the time it is due.
#pragma once

#include <array>
#include <cstdint>

namespace platform::winmm {

class StreamClock {
public:
    explicit StreamClock(int sample_rate = 44100) { Restart(sample_rate); }

    // Forgets the estimate; the next buffer starts it again.
    void Restart(int sample_rate);
    // A live output asked for a buffer of `frames` at `now_ns`. A sound
    // server asks once its own clock has played far enough, and the request
    // reaches us late by a varying amount (the server's processing step, the
    // scheduler) but never early. So the device's clock is the line under
    // the requests: the earliest request of every second is kept, and a
    // straight line through the last half minute of them gives each frame
    // its time. The line follows the device's rate. A stream that stopped
    // and went on later (an underrun) moves it: within a tenth of a second
    // when the stop was long, within a second when it was short. A request
    // held up on its way (a stall) does not.
    void OnLiveBuffer(std::uint64_t now_ns, int frames);
    // An offline stream: frame 0 is at `origin_ns` and every frame lasts
    // exactly one sample period.
    void StartExact(std::uint64_t origin_ns);
    void AdvanceExact(int frames);

    // The time of frame `offset` of the current buffer.
    std::uint64_t FrameTime(int offset) const;
    // Whether a message due at `due_ns` belongs before the block that starts
    // at frame `offset` of the current buffer: it does when that edge is the
    // nearest one at or after the previous block's, i.e. when it is due
    // before the middle of this block.
    bool DueBeforeBlock(std::uint64_t due_ns, int offset, int block_frames) const;

private:
    struct Point {
        double frame = 0;
        double ns = 0;
    };
    static constexpr int kMaxLows = 64;

    double LineNs(double frame) const { return line_ns_ + ns_per_frame_ * (frame - line_frame_); }
    double Above(const Point& point) const { return point.ns - LineNs(point.frame); }
    const Point& Low(int index) const { return lows_[(first_low_ + index) % kMaxLows]; }
    void Lock(double now_ns);
    // Whether `request` lies so far after the line that it takes no part in
    // the estimate: a stall, or (once it has lasted) a stream that went on
    // later, which the line is moved to.
    bool FollowLongStep(const Point& request);
    // Moves the line, at its rate, through `earliest` and forgets the kept
    // windows: the stream stopped and went on later.
    void StepLineTo(const Point& earliest);
    void KeepWindowLow(double now_ns);
    void FitLine();

    int sample_rate_ = 44100;
    bool locked_ = false;
    // Frames the live stream has been asked for before the current buffer,
    // and with it.
    double buffer_frame_ = 0;
    double next_frame_ = 0;
    // The line: frame `line_frame_` is at `line_ns_`, and each frame lasts
    // `ns_per_frame_`.
    double line_frame_ = 0;
    double line_ns_ = 0;
    double ns_per_frame_ = 0;
    // The earliest request, against the line, of the window being gathered,
    // and those of the windows before it, oldest first.
    double window_start_ns_ = 0;
    Point window_low_;
    std::array<Point, kMaxLows> lows_{};
    int first_low_ = 0;
    int low_count_ = 0;
    // Since when every request has come far after the line (-1: the last
    // one did not), and the earliest of them.
    double late_since_ns_ = -1;
    Point late_low_;
    // Offline streams count whole frames from their origin, so no rounding
    // accumulates however long the song.
    bool exact_ = false;
    std::uint64_t origin_ns_ = 0;
    std::uint64_t exact_frames_ = 0;
};

}  // namespace platform::winmm
