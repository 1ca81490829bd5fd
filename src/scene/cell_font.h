// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

// The glyphs a cell picture is drawn with: 256 (or XBIN's 512) glyphs, each `height` rows of 8
// pixels, top row first, bit 7 leftmost, a set bit is the foreground.
struct CellFont {
    static constexpr int kMaxHeight = 32;

    int height = 16;  // 1-32
    int glyph_count = 256;
    std::vector<std::uint8_t> rows;  // glyph_count * height bytes

    std::uint8_t row(int code, int y) const { return rows[static_cast<std::size_t>(code) * height + y]; }
};

// How cells are laid out in pixels: 8 columns a glyph, or VGA's 9, where the ninth repeats the
// eighth for the line-drawing codes 0xC0-0xDF and is background for every other code.
inline constexpr bool ninthColumnRepeats(int code) { return (code & 0xFF) >= 0xC0 && (code & 0xFF) <= 0xDF; }
