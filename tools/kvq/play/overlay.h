// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "content/glyph_table.h"

// What the review player lays over the picture, never into it: a status line along the top and
// a seek bar along the bottom, each on a dark band; everything else is transparent.
struct OverlayContent {
    std::string line;      // empty: no status line
    bool bar = false;      // the seek bar, its fill showing `fraction` of the length
    double fraction = 0;
    std::string bar_text;  // "position / length", over the bar

    bool operator==(const OverlayContent&) const = default;
};

inline constexpr int kOverlayBand = 16;  // pixel rows of each band: one line of 8x16 text
// The seek bar is the bottom band: a pointer at or below this row is on it.
inline constexpr int kSeekBarTop = 480 - kOverlayBand;

// Draws the content into 640x480 pixels of 0xAARRGGBB with the glyphs given for its text.
void drawOverlay(const OverlayContent& content, const GlyphTable& font, std::span<std::uint32_t> pixels);

// "1:05.3" for 65.3 s: minutes, seconds and tenths.
std::string clockText(double seconds);
