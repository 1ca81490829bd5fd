// SPDX-License-Identifier: MIT
#include "kvq/encode/perceptual_matcher.h"

#include <algorithm>
#include <cmath>

#include "kvq/encode/luminance.h"
#include "kvq/encode/vector_dispatch.h"
#include "render/colours.h"

namespace {

constexpr double kPaper = luminanceOf(kPaperColour);
constexpr double kStep = luminanceOf(kInkColour) - luminanceOf(kPaperColour);
constexpr double kOffsetsPerLevel = 4;
// Every d'Mg of a cell of offsets within +-255 levels, and every score, must fit in 32 bits.
constexpr double kLargestScore = 1.0e9;

// d'(M g) for `count` glyphs: whole-vector multiply-adds of 16-bit values.
KVQ_VECTOR_BODY void weightedSumsBody(const std::int16_t* d, const std::array<std::int16_t, 128>* weighted, int count,
                                      std::int32_t* sums)
{
    for (int code = 0; code < count; ++code) {
        std::int32_t sum = 0;
        for (int i = 0; i < 128; ++i) sum += d[i] * weighted[code][static_cast<std::size_t>(i)];
        sums[code] = sum;
    }
}

KVQ_AVX2 void weightedSumsAvx2(const std::int16_t* d, const std::array<std::int16_t, 128>* weighted, int count,
                               std::int32_t* sums)
{
    weightedSumsBody(d, weighted, count, sums);
}

void weightedSums(const std::int16_t* d, const std::array<std::int16_t, 128>* weighted, int count, std::int32_t* sums)
{
    if (hasAvx2()) {
        weightedSumsAvx2(d, weighted, count, sums);
    } else {
        weightedSumsBody(d, weighted, count, sums);
    }
}

}  // namespace

std::int16_t cellOffset(float target_luminance)
{
    return static_cast<std::int16_t>(
        std::lrint((std::clamp(target_luminance, 0.0f, 255.0f) - kPaper) * kOffsetsPerLevel));
}

PerceptualMatcher::PerceptualMatcher(const GlyphTable& glyphs, const CellObjective& objective) : objective_(objective)
{
    inverse_upper_half_ = true;
    for (int code = 128; code < 256; ++code) {
        for (std::size_t row = 0; row < 16; ++row) {
            if (glyphs[code][row] != static_cast<std::uint8_t>(~glyphs[code - 128][row])) inverse_upper_half_ = false;
        }
    }
    const auto m = objective.dense();
    std::array<std::array<double, 128>, 257> weighted{};
    std::array<double, 256> quadratic{};
    double widest = 0;   // the largest sum of |M g| over a glyph's pixels
    double largest = 0;  // and its largest single value
    for (std::size_t code = 0; code < 257; ++code) {
        for (std::size_t j = 0; j < 128; ++j) {
            const bool ink =
                code == 256 || isInk(glyphs[static_cast<int>(code)], static_cast<int>(j % 8), static_cast<int>(j / 8));
            if (!ink) continue;
            for (std::size_t i = 0; i < 128; ++i) weighted[code][i] += m[i][j];
        }
        double width = 0;
        for (std::size_t i = 0; i < 128; ++i) {
            width += std::abs(weighted[code][i]);
            largest = std::max(largest, std::abs(weighted[code][i]));
            if (code < 256 && isInk(glyphs[static_cast<int>(code)], static_cast<int>(i % 8), static_cast<int>(i / 8)))
                quadratic[code] += weighted[code][i];
        }
        widest = std::max(widest, width);
    }
    // E - d'Md = -2 s d'Mg + s^2 g'Mg for the glyph's 0/1 pixels g and s = ink - paper (< 0);
    // scaled by the positive 1 / (-2 s) it is d'Mg - (s / 2) g'Mg, kept in whole numbers.
    const double weight_scale =
        std::min(32767.0 / largest * 0.999, kLargestScore / 2 / (255 * kOffsetsPerLevel * widest));
    for (std::size_t code = 0; code < 257; ++code) {
        for (std::size_t i = 0; i < 128; ++i)
            weighted_[code][i] = static_cast<std::int16_t>(std::lrint(weighted[code][i] * weight_scale));
    }
    const double units = kOffsetsPerLevel * weight_scale;  // of d'Mg, with d in levels
    for (std::size_t code = 0; code < 256; ++code)
        glyph_terms_[code] = static_cast<std::int32_t>(std::lrint(-kStep / 2 * quadratic[code] * units));
    score_per_error_ = units / (-2 * kStep);
}

void PerceptualMatcher::scores(const CellOffsets& cell, std::array<std::int32_t, 256>& out) const
{
    if (inverse_upper_half_) {
        std::int32_t sums[129];
        weightedSums(cell.data(), weighted_.data(), 128, sums);
        weightedSums(cell.data(), weighted_.data() + 256, 1, sums + 128);
        for (std::size_t code = 0; code < 128; ++code) {
            out[code] = sums[code] + glyph_terms_[code];
            out[code + 128] = sums[128] - sums[code] + glyph_terms_[code + 128];
        }
    } else {
        weightedSums(cell.data(), weighted_.data(), 256, out.data());
        for (std::size_t code = 0; code < 256; ++code) out[code] += glyph_terms_[code];
    }
}

double PerceptualMatcher::cellTerm(const CellOffsets& cell) const
{
    float d[128];
    float md[128];
    for (std::size_t i = 0; i < 128; ++i) d[i] = static_cast<float>(cell[i] / kOffsetsPerLevel);
    objective_.apply(d, md);
    double term = 0;
    for (std::size_t i = 0; i < 128; ++i) term += static_cast<double>(d[i]) * md[i];
    return term;
}

void PerceptualMatcher::errors(const CellOffsets& cell, std::array<double, 256>& out) const
{
    std::array<std::int32_t, 256> score;
    scores(cell, score);
    const double term = cellTerm(cell);
    for (std::size_t code = 0; code < 256; ++code) out[code] = term + score[code] / score_per_error_;
}

std::uint8_t PerceptualMatcher::choose(const CellOffsets& cell, int previous, float hold) const
{
    std::array<std::int32_t, 256> score;
    scores(cell, score);
    // The least score first, then the first code that has it: two loops the compiler vectorizes.
    std::int32_t least = score[0];
    for (const std::int32_t value : score) least = std::min(least, value);
    std::size_t best = 0;
    while (score[best] != least) ++best;
    if (previous < 0 || static_cast<std::size_t>(previous) == best) return static_cast<std::uint8_t>(best);
    const double term = cellTerm(cell);
    const double best_error = term + score[best] / score_per_error_;
    const double previous_error = term + score[static_cast<std::size_t>(previous)] / score_per_error_;
    return static_cast<std::uint8_t>(best_error >= (1.0 - hold) * previous_error ? previous : best);
}
