// SPDX-License-Identifier: MIT
#pragma once

#include "devices/clock.h"

// The system's wall clock (UTC): whole seconds since the epoch * 1000 plus the milliseconds within
// that second, from one reading, wrapped to 32 bits.
class WallClock final : public Clock {
public:
    std::uint32_t nowMs() override;
};
