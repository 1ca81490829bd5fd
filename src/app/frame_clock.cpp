// SPDX-License-Identifier: MIT
#include "app/frame_clock.h"

std::int32_t elapsedMs(std::uint32_t now_ms, std::uint32_t start_ms)
{
    return static_cast<std::int32_t>(now_ms - start_ms);
}

std::int32_t frameIndexAt(std::int32_t elapsed_ms)
{
    // 0.024 as a double lies just above 0.024, which makes the truncated product agree with
    // elapsed * 24 / 1000 in exact integers over the whole positive range; a float would not.
    return static_cast<std::int32_t>(static_cast<double>(elapsed_ms) * 0.024);
}
