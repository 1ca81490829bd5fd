// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scene/cell_font.h"
#include "scene/cell_picture.h"

// The largest picture drawn, in pixels: far beyond the tallest real piece (a few thousand lines at
// 720 pixels a row), and a few seconds' work. Pictures of up to 256 colours are drawn a band of rows
// at a time, so their memory does not grow with their height; those of more are held whole, so
// they are held to less.
inline constexpr std::uint64_t kMostPicturePixels = std::uint64_t{1} << 30;
inline constexpr std::uint64_t kMostRgbPixels = std::uint64_t{1} << 26;

// A cell picture drawn whole, blinking cells lit, as a PNG: of palette indices where its cells use
// 256 colours or fewer (every piece but some 24-bit ones), else RGB. A ToolError naming `path` for
// a picture too large to draw.
std::vector<std::uint8_t> scenePicturePng(const CellPicture& picture, const CellFont& font, int letter_spacing,
                                          const std::string& path);
