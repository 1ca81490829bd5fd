// SPDX-License-Identifier: MIT
#include "platform/review/monotonic_clock.h"

#include <chrono>

std::uint32_t MonotonicClock::nowMs()
{
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}
