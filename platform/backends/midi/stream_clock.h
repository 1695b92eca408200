// Where an audio stream's frames lie on the clock that MIDI messages are
// stamped with, and the rule that places each message on the stream: at the
// edge of the synth's rendering block nearest the time it is due.
#pragma once

#include <cstdint>

namespace platform::winmm {

class StreamClock {
public:
    explicit StreamClock(int sample_rate = 44100) { Restart(sample_rate); }

    // Forgets the estimate; the next buffer starts it again.
    void Restart(int sample_rate);
    // A live output asked for a buffer of `frames` at `now_ns`. Each request
    // arrives with the jitter of the scheduler and the sound server, so the
    // buffer's time comes from a delay-locked loop that follows the device's
    // own clock (its rate and phase) and smooths that jitter away.
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
    int sample_rate_ = 44100;
    bool locked_ = false;
    // The current buffer's first frame and the next buffer's, as estimated.
    double buffer_start_ns_ = 0;
    double next_start_ns_ = 0;
    // The loop's estimate of one buffer's length.
    double buffer_ns_ = 0;
    int buffer_frames_ = 0;
    double bandwidth_hz_ = 0;
    int off_count_ = 0;  // requests in a row a buffer or more off the estimate
    // Offline streams count whole frames from their origin, so no rounding
    // accumulates however long the song.
    bool exact_ = false;
    std::uint64_t origin_ns_ = 0;
    std::uint64_t exact_frames_ = 0;
};

}  // namespace platform::winmm
