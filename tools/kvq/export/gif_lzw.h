// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <vector>

// The smallest LZW minimum code size a GIF allows; it covers a four-entry palette.
inline constexpr int kGifMinimumCodeSize = 2;

// Appends a GIF image's data for `indices` (palette indices below 2^minimum_code_size, row after
// row): the LZW minimum code size, the compressed codes in sub-blocks of up to 255 bytes, and the
// empty sub-block that ends them. `minimum_code_size` is 2 to 8.
void appendGifImageData(std::span<const std::uint8_t> indices, std::vector<std::uint8_t>& out,
                        int minimum_code_size = kGifMinimumCodeSize);
