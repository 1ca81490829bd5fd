// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "encode/glyph_matcher.h"
#include "encode/luminance.h"
#include "encode/picture_fit.h"
#include "render/colours.h"
#include "test_files.h"

namespace {

constexpr int kInk = luminanceOf(kInkColour);
constexpr int kPaper = luminanceOf(kPaperColour);

GlyphTable randomFont(std::uint32_t seed)
{
    const auto bytes = randomBytes(8192, seed);
    GlyphTable glyphs;
    glyphs.fillFrom(bytes.data(), bytes.size());
    return glyphs;
}

// The definition itself: the squared error of every code, the least one, the lowest on a tie.
int bruteForceBest(const GlyphTable& glyphs, const std::uint8_t* cell, int row_bytes)
{
    std::int64_t best_error = -1;
    int best = -1;
    for (int code = 0; code < 256; ++code) {
        std::int64_t error = 0;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 8; ++x) {
                const bool ink = (glyphs[code][static_cast<std::size_t>(y)] >> (7 - x)) & 1;
                const std::int64_t difference = (ink ? kInk : kPaper) - cell[y * row_bytes + x];
                error += difference * difference;
            }
        }
        if (best < 0 || error < best_error) {
            best_error = error;
            best = code;
        }
    }
    return best;
}

std::vector<std::uint8_t> luminanceOfDrawing(const TextFrame& frame, const GlyphTable& glyphs)
{
    std::vector<std::uint32_t> pixels(kPictureBytes);
    frame.draw({reinterpret_cast<std::uint8_t*>(pixels.data()), kPictureWidth * 4}, glyphs);
    std::vector<std::uint8_t> luminance(kPictureBytes);
    for (std::size_t i = 0; i < pixels.size(); ++i) luminance[i] = static_cast<std::uint8_t>(luminanceOf(pixels[i]));
    return luminance;
}

}  // namespace

TEST(GlyphMatcher, PicksTheLeastSquaredErrorAndTheLowestCodeOnTies)
{
    std::mt19937 generator(3);
    for (std::uint32_t seed = 0; seed < 6; ++seed) {
        GlyphTable glyphs = randomFont(seed);
        // Duplicated glyphs make ties that only the lowest code may win.
        glyphs[77] = glyphs[5];
        glyphs[77 + 128] = glyphs[5 + 128];
        if (seed % 2) glyphs[200][3] ^= 0x10;  // a table that breaks the inverse rule is matched in full
        const GlyphMatcher matcher(glyphs);
        for (int trial = 0; trial < 300; ++trial) {
            std::uint8_t cell[16 * 8];
            const int style = trial % 3;
            for (int i = 0; i < 128; ++i) {
                const auto noise = static_cast<int>(generator() % 256);
                cell[i] = static_cast<std::uint8_t>(style == 0 ? noise : style == 1 ? (noise < 128 ? kInk : kPaper) : 100 + noise % 40);
            }
            if (trial == 0) {
                for (int y = 0; y < 16; ++y) {
                    for (int x = 0; x < 8; ++x) cell[y * 8 + x] = ((glyphs[5][static_cast<std::size_t>(y)] >> (7 - x)) & 1) ? kInk : kPaper;
                }
            }
            ASSERT_EQ(matcher.bestCode(cell, 8), bruteForceBest(glyphs, cell, 8)) << "seed " << seed << " trial " << trial;
        }
        std::uint8_t exact_copy[128];
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 8; ++x) exact_copy[y * 8 + x] = ((glyphs[77][static_cast<std::size_t>(y)] >> (7 - x)) & 1) ? kInk : kPaper;
        }
        EXPECT_EQ(matcher.bestCode(exact_copy, 8), 5) << "code 77 draws exactly as code 5, which is lower";
    }
}

TEST(GlyphMatcher, RenderedFramesEncodeBackToTheSamePixels)
{
    for (std::uint32_t seed = 0; seed < 5; ++seed) {
        const GlyphTable glyphs = randomFont(100 + seed);
        const GlyphMatcher matcher(glyphs);
        TextFrame frame;
        const auto codes = randomBytes(2400, 200 + seed);
        std::copy(codes.begin(), codes.end(), frame.cells.begin());
        const auto picture = luminanceOfDrawing(frame, glyphs);

        TextFrame again;
        matcher.encode(picture.data(), again);
        EXPECT_EQ(luminanceOfDrawing(again, glyphs), picture) << "seed " << seed;
        EXPECT_EQ(frameQualityDb(again, glyphs, picture.data()), 100.0);
    }
}

TEST(GlyphMatcher, QualityIsThePsnrOfTheDrawingAgainstThePicture)
{
    GlyphTable blank;
    TextFrame paper;
    paper.cells.fill(0);
    // Every pixel is drawn as paper and is 10 levels off: MSE 100.
    std::vector<std::uint8_t> picture(kPictureBytes, static_cast<std::uint8_t>(kPaper - 10));
    EXPECT_NEAR(frameQualityDb(paper, blank, picture.data()), 10 * std::log10(255.0 * 255.0 / 100.0), 1e-9);
}

TEST(PictureFit, KeepsTheShapeWithBarsAndAveragesWhatItShrinks)
{
    // 320x240 doubles exactly.
    std::vector<std::uint8_t> small(320 * 240);
    for (std::size_t i = 0; i < small.size(); ++i) small[i] = static_cast<std::uint8_t>(i * 7);
    const auto doubled = fitPicture(small, 320, 240);
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) ASSERT_EQ(doubled[static_cast<std::size_t>(y * 640 + x)], small[static_cast<std::size_t>((y / 2) * 320 + x / 2)]);
    }
    // A wide picture of 1280x240 halves to 640x120, centred between 180-pixel black bars.
    std::vector<std::uint8_t> wide(1280 * 240, 200);
    for (int x = 0; x < 1280; x += 2) wide[static_cast<std::size_t>(x)] = 100;  // first row alternates 100 and 200
    const auto fitted = fitPicture(wide, 1280, 240);
    EXPECT_EQ(fitted[179 * 640 + 320], 0);
    EXPECT_EQ(fitted[180 * 640 + 5], 175) << "four source pixels averaged: 100, 200, 200, 200";
    EXPECT_EQ(fitted[181 * 640 + 5], 200);
    EXPECT_EQ(fitted[299 * 640 + 639], 200);
    EXPECT_EQ(fitted[300 * 640 + 320], 0);
}
