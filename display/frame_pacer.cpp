#include "display/frame_pacer.h"

namespace {
constexpr DWORD kFractionUnits = 10000;  // 1/10000 ms per millisecond
}

CFramePacer::CFramePacer(CFrameClock& clock) : clock_(clock) {}

void CFramePacer::Init(WORD rate, Callback callback) {
    rate_ = rate;
    callback_ = callback;
    if (rate == 0) {
        period_ms_ = 0;
        fraction_ = 0;
        return;
    }
    period_ms_ = 1000u / rate;
    fraction_ = 10000000u / rate - period_ms_ * kFractionUnits;
}

void CFramePacer::WaitUntil(DWORD target_ms) {
    // The signed difference keeps the comparison right across the clock's wrap.
    while (static_cast<LONG>(target_ms - clock_.Now()) > 0)
        clock_.SleepToward(target_ms);
}

DWORD CFramePacer::GetTimeToNextFrame() {
    const DWORD carry = remainder_ + fraction_ >= kFractionUnits ? 1 : 0;
    const auto ahead_ms = static_cast<LONG>(last_frame_ms_ + period_ms_ + carry - clock_.Now());
    return ahead_ms > 0 ? static_cast<DWORD>(ahead_ms) : 0;
}

int CFramePacer::Step(void* context) {
    if (rate_ == 0 || !callback_)
        return 0;
    DWORD target_ms = last_frame_ms_ + period_ms_;
    remainder_ += fraction_;
    if (remainder_ >= kFractionUnits) {
        remainder_ %= kFractionUnits;
        ++target_ms;
    }
    // The first frame runs at once, whatever the clock reads: measured from
    // time 0, a clock past 2^31 ms would otherwise look weeks early.
    if (has_run_)
        WaitUntil(target_ms);
    has_run_ = true;
    last_frame_ms_ = clock_.Now();
    const int result = callback_(context);

    ++frames_this_second_;
    const DWORD second = last_frame_ms_ / 1000u;
    if (last_second_ < second) {
        last_second_ = second;
        fps_.store(frames_this_second_, std::memory_order_relaxed);
        frames_this_second_ = 0;
    }
    return result;
}
