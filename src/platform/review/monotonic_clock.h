// SPDX-License-Identifier: MIT
#pragma once

#include "devices/clock.h"

// Milliseconds of the system's monotonic clock (CLOCK_MONOTONIC on Linux), which no change of
// the date moves: the review player's clock between soundtrack readings.
class MonotonicClock final : public Clock {
public:
    std::uint32_t nowMs() override;
};
