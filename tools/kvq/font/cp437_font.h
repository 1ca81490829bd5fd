// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <string>

#include "scene/cell_font.h"

// The Unicode character each code of code page 437 shows on a PC's screen (0x00 and 0xFF blank).
extern const std::array<char32_t, 256> kCp437Characters;

// A CP437 font of 8x16 or 8x8 glyphs, made from Debian's public-domain VGA console fonts (package
// console-setup-linux) by choosing the glyph of each code through their Unicode tables. Throws a
// ToolError that says how to install them when they are missing.
CellFont cp437ConsoleFont(int height);

// The font a piece's SAUCE names: 8x8 for the 50- and 43-line modes and EGA, 8x16 for IBM VGA and
// anything else.
CellFont fontForSauceName(const std::string& font_name);
