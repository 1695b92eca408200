// The memory order of the player's counters and flags that the timer thread
// and the main thread share one value at a time, with nothing else to order.
#pragma once

#include <atomic>

inline constexpr auto kRelaxed = std::memory_order_relaxed;
