// SPDX-License-Identifier: MIT
#pragma once

#include <vector>

#include "scene/cell_font.h"

// The terminal character that stands for one glyph of a font, and whether it is drawn with ink and
// paper swapped (the player's fonts keep inverse glyphs in their upper half).
struct GlyphCharacter {
    char32_t character = U' ';
    bool inverse = false;

    bool operator==(const GlyphCharacter&) const = default;
};

// For each glyph of `font`, in code order, the character whose glyph in `known` (a CP437 font of 256
// glyphs) is nearest, pixel by pixel at a common height, inverse allowed. A font that is itself CP437
// (most of its glyphs among the few nearest their own code's) keeps code page 437's characters for its
// first 256 codes.
// Without `known` every code stands for its CP437 character, and a glyph that is the inverse of the
// one 128 codes below it for that one, inverted.
std::vector<GlyphCharacter> glyphCharacters(const CellFont& font, const CellFont* known);

// The same with kvq's CP437 console font as the glyphs known (8 or 16 rows, whichever is nearer the
// font's height), or none where it is not installed.
std::vector<GlyphCharacter> glyphCharacters(const CellFont& font);
