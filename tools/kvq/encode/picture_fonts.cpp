// SPDX-License-Identifier: MIT
#include "kvq/encode/picture_fonts.h"

#include <algorithm>
#include <atomic>
#include <bitset>
#include <cmath>
#include <numbers>
#include <thread>
#include <vector>

#include "kvq/encode/luminance.h"
#include "kvq/encode/perceptual_matcher.h"
#include "render/colours.h"

namespace {

constexpr double kInk = luminanceOf(kInkColour);
constexpr double kPaper = luminanceOf(kPaperColour);
constexpr double kStep = kInk - kPaper;
// Two cells whose ink-or-paper shapes differ in fewer pixels than this are much alike.
constexpr std::size_t kDistinctPixels = 8;

void setPixel(FontFileBytes& font, int code, int at)
{
    font[static_cast<std::size_t>(code * GlyphTable::kSlotBytes + at / 8)] |=
        static_cast<std::uint8_t>(0x80 >> (at % 8));
}

// An 8x16 ordered dither: the 8x8 Bayer matrix on the top half, and on the bottom half the same
// shifted by half its size and one rank later, so that each added dot lands as far as it can
// from those before it.
int ditherRank(int x, int y)
{
    const auto bayer = [](int bx, int by) {
        int rank = 0;
        for (int bit = 0; bit < 3; ++bit) {
            const int xb = (bx >> bit) & 1;
            const int yb = (by >> bit) & 1;
            rank |= (((xb ^ yb) << 1) | yb) << (2 * (2 - bit));
        }
        return rank;
    };
    return y < 8 ? 2 * bayer(x, y) : 2 * bayer((x + 4) % 8, (y - 8 + 4) % 8) + 1;
}

// The 0/1 pattern nearest to a mean cell under the objective: from the pattern of pixels nearer
// ink, single flips that lower E = -2 s v'b + s^2 b'Mb (v = M(mean - paper)) until none does.
void fitPattern(const CellTarget& mean, const std::array<std::array<double, 128>, 128>& m, std::array<bool, 128>& bits)
{
    std::array<double, 128> v{};
    for (std::size_t i = 0; i < 128; ++i) {
        for (std::size_t j = 0; j < 128; ++j) v[i] += m[i][j] * (mean[j] - kPaper);
    }
    std::array<double, 128> mb{};
    for (std::size_t i = 0; i < 128; ++i) {
        bits[i] = (mean[i] - kPaper) / kStep > 0.5;
    }
    for (std::size_t i = 0; i < 128; ++i) {
        for (std::size_t j = 0; j < 128; ++j) mb[i] += bits[j] ? m[i][j] : 0.0;
    }
    for (int sweep = 0; sweep < 32; ++sweep) {
        bool flipped = false;
        for (std::size_t i = 0; i < 128; ++i) {
            const double sign = bits[i] ? -1.0 : 1.0;
            const double change = sign * (-2 * kStep * v[i] + 2 * kStep * kStep * mb[i]) + kStep * kStep * m[i][i];
            if (change < -1e-9) {
                bits[i] = !bits[i];
                for (std::size_t j = 0; j < 128; ++j) mb[j] += sign * m[j][i];
                flipped = true;
            }
        }
        if (!flipped) break;
    }
}

}  // namespace

FontFileBytes tonesFont()
{
    FontFileBytes font{};
    for (int level = 0; level <= 64; ++level) {
        for (int at = 0; at < 128; ++at) {
            if (ditherRank(at % 8, at / 8) < level) setPixel(font, level, at);
        }
    }
    // Half planes through the cell: ink where a pixel's centre lies beyond a line at angle
    // i * 180/21 degrees and offset -2.5, 0 or 2.5 pixels from the middle; the inverses give
    // the other half of the turn.
    int code = 65;
    for (int angle = 0; angle < 21; ++angle) {
        const double theta = angle * std::numbers::pi / 21;
        for (const double offset : {-2.5, 0.0, 2.5}) {
            for (int at = 0; at < 128; ++at) {
                const double x = at % 8 - 3.5;
                const double y = at / 8 - 7.5;
                if (x * std::cos(theta) + y * std::sin(theta) > offset) setPixel(font, code, at);
            }
            ++code;
        }
    }
    return font;
}

FontFileBytes learnFont(std::span<const CellTarget> cells, const CellObjective& objective, int rounds, int threads)
{
    FontFileBytes font = tonesFont();
    const auto m = objective.dense();
    std::vector<std::uint8_t> chosen(cells.size());
    std::vector<double> errors(cells.size());
    for (int round = 0; round < rounds; ++round) {
        GlyphTable glyphs;
        glyphs.fillFrom(font.data(), font.size());
        const PerceptualMatcher matcher(glyphs, objective);
        std::atomic<std::size_t> next{0};
        auto assign = [&] {
            std::array<double, 256> all;
            constexpr std::size_t kChunk = 256;
            for (std::size_t begin = next.fetch_add(kChunk); begin < cells.size(); begin = next.fetch_add(kChunk)) {
                for (std::size_t i = begin; i < std::min(cells.size(), begin + kChunk); ++i) {
                    CellOffsets offsets;
                    for (std::size_t at = 0; at < offsets.size(); ++at) offsets[at] = cellOffset(cells[i][at]);
                    matcher.errors(offsets, all);
                    const auto best = std::min_element(all.begin(), all.end());
                    chosen[i] = static_cast<std::uint8_t>(best - all.begin());
                    errors[i] = *best;
                }
            }
        };
        {
            std::vector<std::jthread> pool;
            for (int t = 1; t < threads; ++t) pool.emplace_back(assign);
            assign();
        }
        std::vector<CellTarget> sums(128, CellTarget{});
        std::vector<int> counts(128, 0);
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const int glyph = chosen[i] & 127;
            const bool inverse = chosen[i] >= 128;
            for (std::size_t at = 0; at < 128; ++at) {
                sums[static_cast<std::size_t>(glyph)][at] +=
                    inverse ? static_cast<float>(kInk + kPaper) - cells[i][at] : cells[i][at];
            }
            ++counts[static_cast<std::size_t>(glyph)];
        }
        // Glyphs no cell took are given to the cells fitted worst, one each, but not to two
        // cells much alike: those fitted worst are often many copies of one pattern.
        const std::size_t unused = static_cast<std::size_t>(std::count(counts.begin(), counts.end(), 0));
        std::vector<std::size_t> worst(cells.size());
        for (std::size_t i = 0; i < worst.size(); ++i) worst[i] = i;
        const std::size_t candidates = std::min(worst.size(), std::max<std::size_t>(unused * 32, 1024));
        std::partial_sort(worst.begin(), worst.begin() + static_cast<std::ptrdiff_t>(candidates), worst.end(),
                          [&](std::size_t a, std::size_t b) { return errors[a] > errors[b]; });
        std::vector<std::size_t> reseeds;
        std::vector<std::bitset<128>> reseed_shapes;
        for (std::size_t k = 0; k < candidates && reseeds.size() < unused; ++k) {
            std::bitset<128> shape;
            for (std::size_t at = 0; at < 128; ++at) shape[at] = (cells[worst[k]][at] - kPaper) / kStep > 0.5;
            const bool distinct =
                std::none_of(reseed_shapes.begin(), reseed_shapes.end(),
                             [&](const std::bitset<128>& other) { return (other ^ shape).count() < kDistinctPixels; });
            if (!distinct) continue;
            reseeds.push_back(worst[k]);
            reseed_shapes.push_back(shape);
        }
        std::size_t reseeded = 0;
        FontFileBytes next_font{};
        for (int glyph = 0; glyph < 128; ++glyph) {
            CellTarget mean{};
            if (counts[static_cast<std::size_t>(glyph)] > 0) {
                for (std::size_t at = 0; at < 128; ++at)
                    mean[at] = sums[static_cast<std::size_t>(glyph)][at] /
                               static_cast<float>(counts[static_cast<std::size_t>(glyph)]);
            } else if (reseeded < reseeds.size()) {
                mean = cells[reseeds[reseeded++]];
            } else {
                for (int row = 0; row < 16; ++row) {
                    next_font[static_cast<std::size_t>(glyph * 32 + row)] =
                        font[static_cast<std::size_t>(glyph * 32 + row)];
                }
                continue;
            }
            std::array<bool, 128> bits{};
            fitPattern(mean, m, bits);
            for (int at = 0; at < 128; ++at) {
                if (bits[static_cast<std::size_t>(at)]) setPixel(next_font, glyph, at);
            }
        }
        font = next_font;
    }
    return font;
}
