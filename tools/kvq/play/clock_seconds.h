// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstdint>

#include "devices/clock.h"

// Seconds from the 32-bit millisecond clock, carried across its wrap.
class ClockSeconds {
public:
    explicit ClockSeconds(Clock& clock) : clock_(clock), last_(clock.nowMs()) {}
    double now()
    {
        const std::uint32_t reading = clock_.nowMs();
        total_ms_ += static_cast<std::uint32_t>(reading - last_);
        last_ = reading;
        return static_cast<double>(total_ms_) / 1000.0;
    }

private:
    Clock& clock_;
    std::uint32_t last_;
    std::uint64_t total_ms_ = 0;
};

// The time a trace line is written at, comparable across the review's and its devices' lines.
inline double monotonicSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
