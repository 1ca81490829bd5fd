// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>

#include "content/glyph_table.h"
#include "kvq/encode/cell_objective.h"

// A cell as the matcher takes it: each pixel's target luminance less the paper's, in quarter
// levels (so 0 is paper and about -750 ink).
using CellOffsets = std::array<std::int16_t, CellObjective::kPixels>;
std::int16_t cellOffset(float target_luminance);

// Picks, for a cell, the code whose glyph drawn in ink and paper has the least CellObjective
// error; ties go to the lowest code. A cell that showed another code in the previous frame keeps
// it unless the best is better by more than the hold margin, so that still parts of a video stay
// still under grain and noise.
class PerceptualMatcher {
public:
    PerceptualMatcher(const GlyphTable& glyphs, const CellObjective& objective);

    // `previous` is the code the cell showed last, or -1; `hold` a fraction such as 0.1.
    std::uint8_t choose(const CellOffsets& cell, int previous, float hold) const;
    // Every code's error for the cell, as choose() weighs them.
    void errors(const CellOffsets& cell, std::array<double, 256>& out) const;

private:
    // E(code) = d'Md + (score(code)) / score_per_error_, d the cell; the first term is the same
    // for every code, so only the hold needs it.
    void scores(const CellOffsets& cell, std::array<std::int32_t, 256>& out) const;
    double cellTerm(const CellOffsets& cell) const;

    const CellObjective& objective_;
    // M g for each glyph's 0/1 pixels g, rounded to 16 bits, so that d'Mg is a vector
    // multiply-add. With inverse upper codes only the first 128 and M 1 are needed.
    alignas(32) std::array<std::array<std::int16_t, 128>, 257> weighted_{};
    std::array<std::int32_t, 256> glyph_terms_{};  // the rest of each code's score
    double score_per_error_ = 1;
    bool inverse_upper_half_ = false;
};
