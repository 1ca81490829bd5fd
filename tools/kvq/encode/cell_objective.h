// SPDX-License-Identifier: MIT
#pragma once

#include <array>

#include "content/glyph_table.h"

// What the eye sees of an 8x16 cell a step back from the screen: its pixels after a Gaussian
// low-pass, kept inside the cell, so that a glyph's tone and the side its ink leans to count
// rather than where each pixel falls. The error between a cell t and a glyph g is
//     E = weight * |blur(t - g)|^2 + |t - g|^2,
// the second term keeping edges where the picture has them. With the blur B written as a matrix
// this is (t - g)' M (t - g) for M = I + weight * B'B; B is separable (rows then columns), so
// M d costs two small matrix products instead of one of 128x128.
struct CellObjective {
    static constexpr int kPixels = 128;
    static constexpr double kDefaultWeight = 16.0;
    static constexpr double kBlurSigma = 2.0;

    explicit CellObjective(double weight = kDefaultWeight);

    // m = M d for a cell d of 16 rows of 8 pixels.
    void apply(const float* d, float* m) const;
    // M as a dense matrix, for the font learner's bit flips.
    std::array<std::array<double, kPixels>, kPixels> dense() const;
    // The error of a cell t against glyph pixels g, both 128 values, computed plainly: the
    // reference the fast paths are held to.
    double error(const float* t, const float* g) const;

    double weight;
    // B'B for the 8 columns of a cell, and weight * B'B for its 16 rows.
    float across[8][8]{};
    float down[16][16]{};
    std::array<std::array<double, 8>, 8> blur_across{};
    std::array<std::array<double, 16>, 16> blur_down{};
};

// The 128 luminance values of a glyph drawn in ink and paper, row after row.
std::array<float, CellObjective::kPixels> glyphPixels(const Glyph& glyph);
