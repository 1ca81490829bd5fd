// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <vector>

// An 8-bit RGB PNG of `width` x `height` pixels given as packed rows of 0x00RRGGBB values, the
// rasteriser's pixel format. Throws a ToolError if libpng fails.
std::vector<std::uint8_t> encodeRgbPng(std::span<const std::uint32_t> pixels, int width, int height);
