// SPDX-License-Identifier: MIT
#include "platform/wall_clock.h"

#include <chrono>

std::uint32_t WallClock::nowMs()
{
    using namespace std::chrono;
    const auto since_epoch = system_clock::now().time_since_epoch();
    const auto whole_seconds = duration_cast<seconds>(since_epoch);
    const auto millis = duration_cast<milliseconds>(since_epoch - whole_seconds);
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(whole_seconds.count()) * 1000u +
                                      static_cast<std::uint64_t>(millis.count()));
}
