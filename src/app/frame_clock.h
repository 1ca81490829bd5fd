// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// Clock readings are milliseconds since the epoch kept in 32 bits that wrap; the difference of
// two readings, taken as signed 32 bits, is the true elapsed time below 2^31 ms (about 24 days).
std::int32_t elapsedMs(std::uint32_t now_ms, std::uint32_t start_ms);

// The frame due `elapsed_ms` after the start at 24 frames per second: frame k is due at
// k * 1000 / 24 ms. Negative when the clock has stepped back further than one frame.
std::int32_t frameIndexAt(std::int32_t elapsed_ms);
