// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <vector>

// Fits a luminance picture of any size into 640x480: scaled by the largest factor that keeps its
// shape, each output pixel the mean of the source pixels it covers, centred between black bars.
std::vector<std::uint8_t> fitPicture(std::span<const std::uint8_t> luminance, int width, int height);
