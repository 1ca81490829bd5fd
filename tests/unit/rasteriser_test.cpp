// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "pixels.h"
#include "render/raster_kernel.h"
#include "test_files.h"

namespace {

constexpr std::uint32_t kInk = 0x00171410;
constexpr std::uint32_t kPaper = 0x00E8CCA0;

GlyphTable tableFrom(const std::vector<std::uint8_t>& font)
{
    GlyphTable table;
    table.fillFrom(font.data(), font.size());
    return table;
}

bool allPixels(const PixelBuffer& buffer, std::uint32_t value)
{
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            if (buffer.pixel(x, y) != value) return false;
        }
    }
    return true;
}

}  // namespace

TEST(Rasteriser, BitSevenIsTheLeftmostPixelOfTheTopRow)
{
    std::vector<std::uint8_t> font(4096, 0);
    font[1 * 32 + 0] = 0x80;
    font[2 * 32 + 0] = 0x01;
    const GlyphTable table = tableFrom(font);
    TextFrame frame = filledFrame(0);
    frame.cells[0] = 1;   // row 0, column 0
    frame.cells[81] = 2;  // row 1, column 1
    PixelBuffer out;
    frame.draw(out.target(), table);

    EXPECT_EQ(out.pixel(0, 0), kInk);
    for (int x = 1; x < 8; ++x) EXPECT_EQ(out.pixel(x, 0), kPaper) << x;
    for (int y = 1; y < 16; ++y) EXPECT_EQ(out.pixel(0, y), kPaper) << y;
    EXPECT_EQ(out.pixel(15, 16), kInk);
    for (int x = 8; x < 15; ++x) EXPECT_EQ(out.pixel(x, 16), kPaper) << x;
    EXPECT_EQ(out.pixel(8, 17), kPaper);
}

TEST(Rasteriser, LastCellCoversTheBottomRightCorner)
{
    std::vector<std::uint8_t> font(4096, 0);
    const GlyphTable table = tableFrom(font);
    TextFrame frame = filledFrame(0);
    frame.cells[29 * 80 + 79] = 128;  // inverse of a blank: solid ink
    PixelBuffer out;
    frame.draw(out.target(), table);
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const bool inside = x >= 632 && y >= 464;
            ASSERT_EQ(out.pixel(x, y), inside ? kInk : kPaper) << x << "," << y;
        }
    }
}

TEST(Rasteriser, BlankAndInverseBlankFramesAreSolidPaperAndInk)
{
    std::vector<std::uint8_t> font(4096, 0xFF);
    for (int row = 0; row < 16; ++row) font[static_cast<std::size_t>(32 * 32 + row)] = 0;  // code 32 blank
    const GlyphTable table = tableFrom(font);
    PixelBuffer out;
    filledFrame(32).draw(out.target(), table);
    EXPECT_TRUE(allPixels(out, kPaper));
    filledFrame(160).draw(out.target(), table);
    EXPECT_TRUE(allPixels(out, kInk));
}

TEST(Rasteriser, UnloadedFontDrawsEveryCodeAsPaper)
{
    const GlyphTable empty;
    TextFrame frame;
    for (std::size_t i = 0; i < frame.cells.size(); ++i) frame.cells[i] = static_cast<std::uint8_t>(i % 128);
    PixelBuffer out;
    frame.draw(out.target(), empty);
    EXPECT_TRUE(allPixels(out, kPaper));
}

TEST(Rasteriser, WideRowStepLeavesTheGapBetweenRowsUntouched)
{
    const GlyphTable table = tableFrom(randomBytes(8192, 21));
    TextFrame frame;
    const auto codes = randomBytes(2400, 22);
    std::copy(codes.begin(), codes.end(), frame.cells.begin());
    for (std::ptrdiff_t step : {2560 + 64, 2560 + 4, 4096}) {
        PixelBuffer out(step, 0, 0x5A);
        PixelBuffer expected(step, 0, 0x5A);
        frame.draw(out.target(), table);
        drawReference(frame, table, expected);
        ASSERT_EQ(out.bytes, expected.bytes) << "row step " << step;
        for (int y = 0; y < 480; ++y) {
            for (std::ptrdiff_t gap = 2560; gap < step; ++gap) {
                ASSERT_EQ(out.bytes[static_cast<std::size_t>(y * step + gap)], 0x5A) << "row " << y;
            }
        }
    }
}

TEST(Rasteriser, EveryKernelMatchesThePerPixelReferenceOnRandomFramesAndOddTargets)
{
    std::vector<RasterKernel> kernels{RasterKernel::plain};
    if (rasterKernelAvailable(RasterKernel::avx2)) kernels.push_back(RasterKernel::avx2);
    for (RasterKernel kernel : kernels) {
        for (std::uint32_t seed = 0; seed < 40; ++seed) {
            const GlyphTable table = tableFrom(randomBytes(8192, seed));
            const auto codes = randomBytes(2400, seed + 1000);
            // Steps wider than a row, some not a whole number of pixels; starts off any alignment.
            const std::ptrdiff_t step = 2560 + 4 * static_cast<std::ptrdiff_t>(seed % 5) + (seed % 3 == 0 ? 3 : 0);
            const std::size_t offset = seed % 7;
            PixelBuffer out(step, offset, 0x33);
            PixelBuffer expected(step & ~std::ptrdiff_t{3}, offset, 0x33);
            expected.bytes.resize(out.bytes.size(), 0x33);
            TextFrame frame;
            std::copy(codes.begin(), codes.end(), frame.cells.begin());
            drawWithKernel(kernel, frame.cells.data(), table, out.target());
            drawReference(frame, table, expected);
            ASSERT_EQ(out.bytes, expected.bytes) << "kernel " << static_cast<int>(kernel) << ", seed " << seed;
        }
    }
    EXPECT_EQ(bestRasterKernel() == RasterKernel::avx2, rasterKernelAvailable(RasterKernel::avx2));
}

TEST(Rasteriser, DrawWithoutATableUsesTheProgramsFont)
{
    const auto font = randomBytes(8192, 31);
    glyphTable = tableFrom(font);
    TextFrame frame;
    const auto codes = randomBytes(2400, 32);
    std::copy(codes.begin(), codes.end(), frame.cells.begin());
    PixelBuffer out;
    PixelBuffer expected;
    frame.draw(out.target());
    drawReference(frame, glyphTable, expected);
    EXPECT_EQ(out.bytes, expected.bytes);
    glyphTable = GlyphTable{};
}
