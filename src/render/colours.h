// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// Pixels are 0x00RRGGBB: dark ink on warm paper.
inline constexpr std::uint32_t kInkColour = 0x00171410;
inline constexpr std::uint32_t kPaperColour = 0x00E8CCA0;
