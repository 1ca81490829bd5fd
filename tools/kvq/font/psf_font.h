// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

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

// A console font as it stands in a PSF1 or PSF2 file, plain or gzip-compressed: glyphs of any size,
// `row_bytes` bytes a row (the leftmost pixel in bit 7 of the first), and for each glyph the
// Unicode characters it draws where the file maps them (sequences of several are left out).
struct PsfGlyphs {
    int width = 0, height = 0, row_bytes = 0;
    std::uint32_t count = 0;
    std::vector<std::uint8_t> bytes;                // count * height * row_bytes
    std::vector<std::vector<char32_t>> characters;  // one list a glyph; empty lists without a table

    const std::uint8_t* glyph(std::uint32_t index) const
    {
        return bytes.data() + static_cast<std::size_t>(index) * height * row_bytes;
    }
};

// Reads every glyph and the Unicode table. Throws a ToolError naming `path` for anything that is
// not a complete PSF font.
PsfGlyphs readPsfGlyphs(const std::string& path);
