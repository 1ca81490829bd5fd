// SPDX-License-Identifier: MIT
#include "kvq/encode/encode_figures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <numeric>
#include <vector>

#include "kvq/encode/glyph_matcher.h"
#include "kvq/encode/luminance.h"
#include "kvq/encode/vector_dispatch.h"
#include "render/colours.h"

namespace {

constexpr int kWidth = kPictureWidth;
constexpr int kHeight = kPictureHeight;

double psnrOf(double squared_sum, double count, double range)
{
    if (squared_sum <= 0) return 100.0;
    return std::min(100.0, 10.0 * std::log10(range * range * count / squared_sum));
}

// The frame's luminance as the player draws it.
void drawLuminance(const TextFrame& frame, const GlyphTable& glyphs, std::vector<std::uint8_t>& out)
{
    const auto ink = static_cast<std::uint8_t>(luminanceOf(kInkColour));
    const auto paper = static_cast<std::uint8_t>(luminanceOf(kPaperColour));
    out.resize(kPicturePixels);
    for (int row = 0; row < TextFrame::kRows; ++row) {
        for (int column = 0; column < TextFrame::kColumns; ++column) {
            const Glyph& glyph = glyphs[frame.cells[static_cast<std::size_t>(row * TextFrame::kColumns + column)]];
            for (int y = 0; y < 16; ++y) {
                std::uint8_t* at = out.data() + (row * 16 + y) * kWidth + column * 8;
                for (int x = 0; x < 8; ++x) at[x] = isInk(glyph, x, y) ? ink : paper;
            }
        }
    }
}

// Gaussian of sigma 3, cut at 3 sigma, mirrored at the borders (a b c | c b a).
constexpr int kRadius = 9;

std::array<float, 2 * kRadius + 1> gaussianTaps()
{
    std::array<float, 2 * kRadius + 1> taps{};
    double sum = 0;
    for (int i = -kRadius; i <= kRadius; ++i) sum += std::exp(-i * i / 18.0);
    for (int i = -kRadius; i <= kRadius; ++i)
        taps[static_cast<std::size_t>(i + kRadius)] = static_cast<float>(std::exp(-i * i / 18.0) / sum);
    return taps;
}

int mirrored(int at, int size) { return at < 0 ? -at - 1 : at >= size ? 2 * size - at - 1 : at; }

// The blur is linear, so the blurred pictures differ by the blurred difference: one blur, not two.
// Each tap is a pass along whole rows, so that the work is in vectors.
KVQ_VECTOR_BODY double blurredSquaredSumBody(const std::vector<float>& difference,
                                             const std::array<float, 2 * kRadius + 1>& kTaps)
{
    thread_local std::vector<float> across;
    across.assign(difference.size(), 0.0f);
    std::array<float, kWidth + 2 * kRadius> padded;
    for (int y = 0; y < kHeight; ++y) {
        const float* row = difference.data() + y * kWidth;
        for (int x = -kRadius; x < kWidth + kRadius; ++x)
            padded[static_cast<std::size_t>(x + kRadius)] = row[mirrored(x, kWidth)];
        float* out = across.data() + y * kWidth;
        for (int k = 0; k <= 2 * kRadius; ++k) {
            const float tap = kTaps[static_cast<std::size_t>(k)];
            const float* from = padded.data() + k;
            for (int x = 0; x < kWidth; ++x) out[x] += tap * from[x];
        }
    }
    double squared = 0;
    std::array<float, kWidth> line;
    for (int y = 0; y < kHeight; ++y) {
        line.fill(0.0f);
        for (int k = 0; k <= 2 * kRadius; ++k) {
            const float* source = across.data() + mirrored(y + k - kRadius, kHeight) * kWidth;
            const float tap = kTaps[static_cast<std::size_t>(k)];
            for (int x = 0; x < kWidth; ++x) line[static_cast<std::size_t>(x)] += tap * source[x];
        }
        float row_sum = 0;
        for (float value : line) row_sum += value * value;
        squared += row_sum;
    }
    return squared;
}

// Fused multiply-adds change the last bits of a figure, never a frame.
KVQ_AVX2_FMA double blurredSquaredSumAvx2(const std::vector<float>& difference,
                                          const std::array<float, 2 * kRadius + 1>& taps)
{
    return blurredSquaredSumBody(difference, taps);
}

double blurredSquaredSum(const std::vector<float>& difference)
{
    static const auto kTaps = gaussianTaps();
    return hasAvx2Fma() ? blurredSquaredSumAvx2(difference, kTaps) : blurredSquaredSumBody(difference, kTaps);
}

constexpr int kSmallWidth = kWidth / 8;
constexpr int kSmallHeight = kHeight / 8;

// The mean SSIM of two 80x60 pictures on 0-1 over every 7x7 window that fits, with sample
// variances and the usual constants (0.01 and 0.03 of the range).
double ssimOf(const std::vector<double>& a, const std::vector<double>& b)
{
    constexpr int kWindow = 7;
    constexpr double kCount = kWindow * kWindow;
    constexpr double kC1 = 0.01 * 0.01;
    constexpr double kC2 = 0.03 * 0.03;
    double total = 0;
    int windows = 0;
    for (int top = 0; top + kWindow <= kSmallHeight; ++top) {
        for (int left = 0; left + kWindow <= kSmallWidth; ++left) {
            double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
            for (int y = top; y < top + kWindow; ++y) {
                for (int x = left; x < left + kWindow; ++x) {
                    const double va = a[static_cast<std::size_t>(y * kSmallWidth + x)];
                    const double vb = b[static_cast<std::size_t>(y * kSmallWidth + x)];
                    sa += va, sb += vb, saa += va * va, sbb += vb * vb, sab += va * vb;
                }
            }
            const double ma = sa / kCount, mb = sb / kCount;
            const double unbias = kCount / (kCount - 1);
            const double va = (saa / kCount - ma * ma) * unbias;
            const double vb = (sbb / kCount - mb * mb) * unbias;
            const double cov = (sab / kCount - ma * mb) * unbias;
            total += (2 * ma * mb + kC1) * (2 * cov + kC2) / ((ma * ma + mb * mb + kC1) * (va + vb + kC2));
            ++windows;
        }
    }
    return total / windows;
}

}  // namespace

FrameFigures measureFrame(const TextFrame& frame, const TextFrame* previous, const GlyphTable& glyphs,
                          const std::uint8_t* luminance, const ToneLevels& levels)
{
    thread_local std::vector<std::uint8_t> drawn;
    thread_local std::vector<float> difference(kPicturePixels);
    drawLuminance(frame, glyphs, drawn);

    FrameFigures figures;
    std::int64_t squared = 0;
    thread_local std::vector<double> small_source;
    thread_local std::vector<double> small_drawn;
    small_source.assign(kSmallWidth * kSmallHeight, 0.0);
    small_drawn.assign(kSmallWidth * kSmallHeight, 0.0);
    for (int y = 0; y < kHeight; ++y) {
        const std::uint8_t* source = luminance + y * kWidth;
        const std::uint8_t* row = drawn.data() + y * kWidth;
        float* out = difference.data() + y * kWidth;
        for (int left = 0; left < kWidth; left += 8) {
            float mapped_sum = 0;
            int drawn_sum = 0;
            for (int x = left; x < left + 8; ++x) {
                const int plain = row[x] - source[x];
                squared += plain * plain;
                const float mapped = levels.target[source[x]];
                out[x] = (mapped - static_cast<float>(row[x])) / 255.0f;
                mapped_sum += mapped;
                drawn_sum += row[x];
            }
            const auto box = static_cast<std::size_t>(y / 8 * kSmallWidth + left / 8);
            small_source[box] += mapped_sum;
            small_drawn[box] += drawn_sum;
        }
    }
    figures.psnr = psnrOf(static_cast<double>(squared), kPicturePixels, 255.0);
    figures.blurred_psnr = psnrOf(blurredSquaredSum(difference), kPicturePixels, 1.0);
    for (double& value : small_source) value /= 64 * 255.0;
    for (double& value : small_drawn) value /= 64 * 255.0;
    figures.ssim = ssimOf(small_source, small_drawn);
    if (previous) {
        const auto changed = std::inner_product(frame.cells.begin(), frame.cells.end(), previous->cells.begin(),
                                                std::size_t{0}, std::plus<>(), std::not_equal_to<>());
        figures.flicker = static_cast<double>(changed) / static_cast<double>(frame.cells.size());
    }
    return figures;
}

void FigureTotals::add(const FrameFigures& figures, bool has_previous)
{
    sum_.psnr += figures.psnr;
    sum_.blurred_psnr += figures.blurred_psnr;
    sum_.ssim += figures.ssim;
    ++frames_;
    if (has_previous) {
        sum_.flicker += figures.flicker;
        ++changes_counted_;
    }
}

FrameFigures FigureTotals::mean() const
{
    if (frames_ == 0) return {};
    const auto n = static_cast<double>(frames_);
    return {sum_.psnr / n, sum_.blurred_psnr / n, sum_.ssim / n,
            changes_counted_ ? sum_.flicker / static_cast<double>(changes_counted_) : 0.0};
}
