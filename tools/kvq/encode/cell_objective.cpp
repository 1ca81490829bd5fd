// SPDX-License-Identifier: MIT
#include "kvq/encode/cell_objective.h"

#include <cmath>

#include "kvq/encode/luminance.h"
#include "kvq/encode/vector_dispatch.h"
#include "render/colours.h"

namespace {

// A Gaussian over the n pixels of one side of a cell, each row rescaled to sum to 1, so that a
// flat cell stays flat up to its borders.
template <std::size_t n>
std::array<std::array<double, n>, n> blurMatrix(double sigma)
{
    std::array<std::array<double, n>, n> blur{};
    for (std::size_t i = 0; i < n; ++i) {
        double sum = 0;
        for (std::size_t j = 0; j < n; ++j) {
            const double distance = static_cast<double>(i) - static_cast<double>(j);
            blur[i][j] = std::exp(-distance * distance / (2 * sigma * sigma));
            sum += blur[i][j];
        }
        for (double& weight : blur[i]) weight /= sum;
    }
    return blur;
}

template <std::size_t n>
std::array<std::array<float, n>, n> gramOf(const std::array<std::array<double, n>, n>& blur)
{
    std::array<std::array<float, n>, n> gram{};
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j < n; ++j) {
            double sum = 0;
            for (std::size_t k = 0; k < n; ++k) sum += blur[k][i] * blur[k][j];
            gram[i][j] = static_cast<float>(sum);
        }
    }
    return gram;
}

}  // namespace

CellObjective::CellObjective(double weight_)
    : weight(weight_), blur_across(blurMatrix<8>(kBlurSigma)), blur_down(blurMatrix<16>(kBlurSigma))
{
    const auto across_gram = gramOf(blur_across);
    const auto down_gram = gramOf(blur_down);
    for (std::size_t i = 0; i < 8; ++i) {
        for (std::size_t j = 0; j < 8; ++j) across[i][j] = across_gram[i][j];
    }
    for (std::size_t i = 0; i < 16; ++i) {
        for (std::size_t j = 0; j < 16; ++j) down[i][j] = down_gram[i][j] * static_cast<float>(weight);
    }
}

namespace {

// m = D + (down * D) * across, written as whole 8-pixel rows so that every step is one vector
// operation.
KVQ_VECTOR_BODY void applyBody(const float (&down)[16][16], const float (&across)[8][8], const float* d, float* m)
{
    float rows[16][8];
    for (int y = 0; y < 16; ++y) {
        float row[8] = {};
        for (int k = 0; k < 16; ++k) {
            for (int x = 0; x < 8; ++x) row[x] += down[y][k] * d[k * 8 + x];
        }
        for (int x = 0; x < 8; ++x) rows[y][x] = row[x];
    }
    for (int y = 0; y < 16; ++y) {
        float row[8];
        for (int x = 0; x < 8; ++x) row[x] = d[y * 8 + x];
        for (int k = 0; k < 8; ++k) {
            for (int x = 0; x < 8; ++x) row[x] += rows[y][k] * across[k][x];
        }
        for (int x = 0; x < 8; ++x) m[y * 8 + x] = row[x];
    }
}

KVQ_AVX2 void applyAvx2(const float (&down)[16][16], const float (&across)[8][8], const float* d, float* m)
{
    applyBody(down, across, d, m);
}

}  // namespace

void CellObjective::apply(const float* d, float* m) const
{
    if (hasAvx2()) {
        applyAvx2(down, across, d, m);
    } else {
        applyBody(down, across, d, m);
    }
}

std::array<std::array<double, CellObjective::kPixels>, CellObjective::kPixels> CellObjective::dense() const
{
    std::array<std::array<double, kPixels>, kPixels> matrix{};
    float unit[kPixels]{};
    float column[kPixels];
    for (int i = 0; i < kPixels; ++i) {
        unit[i] = 1;
        apply(unit, column);
        unit[i] = 0;
        for (int j = 0; j < kPixels; ++j) matrix[static_cast<std::size_t>(j)][static_cast<std::size_t>(i)] = column[j];
    }
    return matrix;
}

double CellObjective::error(const float* t, const float* g) const
{
    // blur(t - g) = blur_down * (t - g) * blur_across', the blur along rows and then down columns.
    double plain = 0;
    double along[16][8] = {};
    for (std::size_t y = 0; y < 16; ++y) {
        for (std::size_t x = 0; x < 8; ++x) {
            const double difference = t[y * 8 + x] - g[y * 8 + x];
            plain += difference * difference;
            for (std::size_t i = 0; i < 8; ++i) along[y][i] += blur_across[i][x] * difference;
        }
    }
    double blurred = 0;
    for (std::size_t y = 0; y < 16; ++y) {
        for (std::size_t x = 0; x < 8; ++x) {
            double low = 0;
            for (std::size_t j = 0; j < 16; ++j) low += blur_down[y][j] * along[j][x];
            blurred += low * low;
        }
    }
    return weight * blurred + plain;
}

std::array<float, CellObjective::kPixels> glyphPixels(const Glyph& glyph)
{
    std::array<float, CellObjective::kPixels> pixels{};
    for (std::size_t at = 0; at < pixels.size(); ++at) {
        const bool ink = isInk(glyph, static_cast<int>(at % 8), static_cast<int>(at / 8));
        pixels[at] = static_cast<float>(luminanceOf(ink ? kInkColour : kPaperColour));
    }
    return pixels;
}
