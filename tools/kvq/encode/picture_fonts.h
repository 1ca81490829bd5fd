// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <span>

#include "kvq/encode/cell_objective.h"
#include "kvq/font/psf_font.h"

// Fonts made for pictures rather than text. The player draws codes 128-255 as the inverses of
// 0-127, so 128 glyphs are all there is to make; their inverses come free.

// 65 tone levels (0 to 64 ink pixels of 128, in an ordered dither, so that with their inverses
// every count from 0 to 128 is there) and 63 edges (half planes at 21 angles and 3 offsets).
FontFileBytes tonesFont();

using CellTarget = std::array<float, CellObjective::kPixels>;

// Glyphs that fit the given cells (target luminances) under the objective, found by alternating
// two steps from the tone font: every cell takes its best of the 256 glyphs; then every glyph
// becomes the 8x16 pattern closest to the mean of its cells (a cell that took an inverse counts
// inverted). `threads` share the first step.
FontFileBytes learnFont(std::span<const CellTarget> cells, const CellObjective& objective, int rounds, int threads);
