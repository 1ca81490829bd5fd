// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// An 8-bit RGB PNG of `width` x `height` pixels given as packed rows of 0x00RRGGBB values, the
// rasteriser's pixel format. Throws a ToolError if libpng fails.
std::vector<std::uint8_t> encodeRgbPng(std::span<const std::uint32_t> pixels, int width, int height);

// A picture as 8-bit R, G, B bytes, row after row.
struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
};

// Any PNG file as 8-bit RGB, transparent parts laid on black. Throws a ToolError naming the file
// when it cannot be read, or when a side is over `max_side` pixels.
RgbPicture readPngRgb(const std::string& path, std::uint32_t max_side);
