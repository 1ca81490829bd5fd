// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// The brightness that encoding matches and measures in: 0.299 R + 0.587 G + 0.114 B, rounded,
// in whole levels 0-255, the same for video frames, images and the player's two colours.
constexpr int luminanceOf(int red, int green, int blue) { return (299 * red + 587 * green + 114 * blue + 500) / 1000; }

constexpr int luminanceOf(std::uint32_t pixel)
{
    return luminanceOf(static_cast<int>((pixel >> 16) & 0xFF), static_cast<int>((pixel >> 8) & 0xFF),
                       static_cast<int>(pixel & 0xFF));
}
