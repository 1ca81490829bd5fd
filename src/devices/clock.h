// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// The device edge of time: a reading in milliseconds, kept in 32 bits that wrap.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::uint32_t nowMs() = 0;
};
