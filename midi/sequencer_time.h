// The sequencer's song-time arithmetic, shared by its files: microseconds,
// "never", and the 128-bit products of times and tempo rates.
#pragma once

#include <cstdint>

namespace sequencer_time {

inline constexpr std::uint64_t kNever = UINT64_MAX;
inline constexpr std::uint64_t kMicrosPerMs = 1000;
inline constexpr std::uint64_t kMicrosPerSecond = 1'000'000;

using Wide = unsigned __int128;

// A 128-bit time back in 64 bits, "never" where it does not fit.
inline std::uint64_t Saturated(Wide value) {
    return value > kNever ? kNever : static_cast<std::uint64_t>(value);
}

// The whole milliseconds that cover a time: a period ends at them.
inline std::uint64_t CeilMs(std::uint64_t us) {
    return us / kMicrosPerMs + (us % kMicrosPerMs != 0 ? 1 : 0);
}

// Milliseconds as the player's signed lengths hold them.
inline std::int64_t SignedMs(std::uint64_t ms) {
    return static_cast<std::int64_t>(ms > INT64_MAX ? INT64_MAX : ms);
}

}  // namespace sequencer_time
