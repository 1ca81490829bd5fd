// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "content/glyph_table.h"
#include "kvq/play/screen_layout.h"

// What the review player shows beside the picture, or over it where the window leaves no room: a
// status line and a seek bar, each on a dark band, never drawn into the picture itself; and, asked
// for, the keys' help in a box over the middle.
struct OverlayContent {
    std::string line;  // empty: no status line; its parts are separated by two spaces
    bool bar = false;  // the seek bar, its fill showing `fraction` of the length
    double fraction = 0;
    std::string bar_text;           // "position / length", over the bar
    std::vector<std::string> help;  // lines of a box in the middle of the window, or none

    bool operator==(const OverlayContent&) const = default;
};

// Draws the content into the window's pixels (layout.width x layout.height, 0x00RRGGBB) where the
// layout puts it, with the glyphs given for its text.
void drawOverlay(const OverlayContent& content, const GlyphTable& font, const ScreenLayout& layout,
                 std::span<std::uint32_t> screen);

// "1:05.3" for 65.3 s: minutes, seconds and tenths.
std::string clockText(double seconds);
