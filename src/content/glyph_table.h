// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

struct FileProblem;

// 16 pixel rows of an 8x16 cell, top row first; bit 7 is the leftmost pixel, a set bit is ink.
using Glyph = std::array<std::uint8_t, 16>;

// Whether pixel `x` (0 leftmost) of row `y` of the glyph is ink.
constexpr bool isInk(const Glyph& glyph, int x, int y) { return (glyph[static_cast<std::size_t>(y)] >> (7 - x)) & 1; }

// The glyph of every character code. A font file supplies codes 0-127; 128-255 are their inverses.
class GlyphTable {
public:
    static constexpr int kGlyphCount = 256;
    static constexpr int kFileGlyphs = 128;
    static constexpr int kSlotBytes = 32;
    static constexpr int kFileBytesRead = 8192;  // 256 slots; anything beyond is never read

    // 0 when the file could be opened (whatever it held), -1 when not; the table is then untouched.
    // `problem`, when given, says what was wrong: a file that cannot be opened or is no regular
    // file, or one too short for all 128 glyphs.
    int load(const char* path, FileProblem* problem = nullptr);

    // Builds the table from the first bytes of a font file. Rows past `size` are paper, so the
    // inverse codes above them are ink: a truncated font never exposes indeterminate memory.
    void fillFrom(const std::uint8_t* bytes, std::size_t size);

    const Glyph& operator[](int code) const { return glyphs_[static_cast<std::size_t>(code)]; }
    Glyph& operator[](int code) { return glyphs_[static_cast<std::size_t>(code)]; }

private:
    // All zero until a font loads: every code a paper block.
    std::array<Glyph, kGlyphCount> glyphs_{};
};
