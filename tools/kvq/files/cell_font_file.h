// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "content/glyph_table.h"
#include "scene/cell_font.h"

// Any font kvq reads, as the 256 glyphs that cell pictures are drawn with, at its own height: a PSF1
// or PSF2 console font 8 pixels wide (gzip-compressed or not; the first 256 glyphs), the player's
// 8192-byte font file (all 256 slots, 16 rows each), or raw glyphs (256 of N bytes, N from 1 to 32).
// Throws a ToolError naming the file for anything else.
CellFont readCellFont(const std::string& path);

// The player's glyphs, codes 128-255 already their inverses, as a cell font.
CellFont cellFontOf(const GlyphTable& glyphs);
