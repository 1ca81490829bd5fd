// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// The brightness that encoding matches and measures in: 0.299 R + 0.587 G + 0.114 B, rounded,
// in whole levels 0-255, the same for video frames, images and the player's two colours.
constexpr int luminanceOf(int red, int green, int blue) { return (299 * red + 587 * green + 114 * blue + 500) / 1000; }

constexpr int luminanceOf(std::uint32_t pixel)
{
    return luminanceOf(static_cast<int>((pixel >> 16) & 0xFF), static_cast<int>((pixel >> 8) & 0xFF),
                       static_cast<int>(pixel & 0xFF));
}

// The luminance of each pixel of 8-bit R, G, B triples; `luminance` holds one byte per pixel.
inline void rgbToLuminance(std::span<const std::uint8_t> rgb, std::span<std::uint8_t> luminance)
{
    for (std::size_t i = 0; i < luminance.size(); ++i) {
        luminance[i] = static_cast<std::uint8_t>(luminanceOf(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]));
    }
}
