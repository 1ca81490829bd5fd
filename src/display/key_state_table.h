// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

inline constexpr std::size_t kEscapeScanCode = 1;

// 1 while the key with that set-1 scan code is down. Written only by the window procedure,
// read by the playback loop, both on the one thread.
using KeyStateTable = std::array<std::uint8_t, 256>;
