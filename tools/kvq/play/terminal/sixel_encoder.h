// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <string>

// Sixel colours are percentages of each channel, so 101 levels where a picture has 256. The percent
// whose shown value is nearest to `level` (0-255), for a terminal that shows percent p as the 16-bit
// value floor(p * 65535 / 100) cut to its top 8 bits.
int sixelPercent(std::uint8_t level);
// The 8-bit level such a terminal shows for `percent`.
std::uint8_t sixelShownLevel(int percent);

// The registers a sixel image may use: terminals have at least 256.
inline constexpr int kSixelRegisters = 256;

// Appends one sixel image (a whole DCS string) of `width` x `height` pixels, each an index into
// `palette` (0x00RRGGBB, at most kSixelRegisters colours). Index 0 is the background: it is drawn by
// the terminal filling the image's raster with register 0, and its pixels cost nothing, so it
// should be the commonest colour. Appended to `out`, whose storage is reused from image to image.
void appendSixel(std::span<const std::uint16_t> indices, int width, int height, std::span<const std::uint32_t> palette,
                 std::string& out);
