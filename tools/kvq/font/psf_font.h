// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "content/glyph_table.h"

using FontFileBytes = std::array<std::uint8_t, GlyphTable::kFileBytesRead>;

// The player's font file made from a PSF1 or PSF2 console font of 8x16 glyphs, plain or
// gzip-compressed: glyph i's 16 rows open slot i, everything else is zero. Glyphs past the
// 256th are dropped. Throws a ToolError naming `path` for anything that is not a complete 8x16
// PSF font; the header's sizes are checked against the data actually present, not trusted.
FontFileBytes convertPsfFont(const std::string& path);

// True when the bytes open with the first two bytes of either PSF magic number: enough to tell a
// console font given where the player's font file was meant.
bool startsLikePsfFont(std::span<const std::uint8_t> bytes);
