// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "render/cell_drawing.h"

namespace {

std::vector<RasterKernel> kernels()
{
    std::vector<RasterKernel> all{RasterKernel::plain};
    if (rasterKernelAvailable(RasterKernel::avx2)) all.push_back(RasterKernel::avx2);
    return all;
}

CellFont randomFont(int height, int glyphs, std::mt19937& random)
{
    CellFont font;
    font.height = height;
    font.glyph_count = glyphs;
    font.rows.resize(static_cast<std::size_t>(glyphs) * height);
    for (auto& row : font.rows) row = static_cast<std::uint8_t>(random());
    return font;
}

CellPicture randomPicture(int columns, int rows, int codes, std::mt19937& random)
{
    CellPicture picture;
    picture.columns = columns;
    picture.rows = rows;
    picture.palette.push_back(0x123456);  // a seventeenth colour, as 24-bit pieces bring
    for (int i = 0; i < columns * rows; ++i) {
        Cell cell;
        cell.code = static_cast<std::uint16_t>(random() % codes);
        cell.foreground = static_cast<std::uint16_t>(random() % 17);
        cell.background = static_cast<std::uint16_t>(random() % 17);
        cell.flags = random() % 4 == 0 ? Cell::kBlinks : 0;
        picture.cells.push_back(cell);
    }
    return picture;
}

// Pixel by pixel, straight from what a cell picture means.
std::uint32_t referencePixel(const CellPicture& picture, const CellFont& font, const CellLayout& layout, int x, int y)
{
    const int width = layout.letter_spacing;
    const Cell& cell = picture.at(layout.first_row + y / font.height, x / width);
    const int column = x % width;
    const int row = y % font.height;
    const bool shown = cell.code < font.glyph_count && (layout.blink_lit || !(cell.flags & Cell::kBlinks));
    const int bits = shown ? font.rows[static_cast<std::size_t>(cell.code * font.height + row)] : 0;
    bool ink = false;
    if (column < 8)
        ink = (bits >> (7 - column)) & 1;
    else
        ink = (cell.code & 0xFF) >= 0xC0 && (cell.code & 0xFF) <= 0xDF && (bits & 1);
    return picture.palette[ink ? cell.foreground : cell.background];
}

}  // namespace

TEST(CellDrawing, EveryKernelMatchesThePerPixelReference)
{
    for (RasterKernel kernel : kernels()) {
        for (int seed = 0; seed < 24; ++seed) {
            std::mt19937 random(static_cast<unsigned>(seed));
            const int height = std::array{16, 8, 14, 1, 32, 19}[seed % 6];
            const int glyphs = seed % 5 == 0 ? 512 : 256;
            const CellFont font = randomFont(height, glyphs, random);
            // Codes past the font draw blank; 512 codes in a 256-glyph font find some.
            const CellPicture picture = randomPicture(1 + seed * 7 % 90, 1 + seed % 5, 512, random);
            CellLayout layout;
            layout.letter_spacing = seed % 2 ? 9 : 8;
            layout.blink_lit = seed % 3 != 0;
            layout.first_row = seed % 4 == 3 ? 1 : 0;
            layout.row_count = seed % 4 == 3 ? picture.rows - 1 : -1;
            const int width = pictureWidthPixels(picture, layout);
            const int rows_high = pictureHeightPixels(picture, font, layout);
            ASSERT_EQ(width, picture.columns * layout.letter_spacing);
            ASSERT_EQ(rows_high, (picture.rows - layout.first_row) * height);
            // A row step beyond the picture's width and a start off any alignment; the margins keep their fill.
            const std::ptrdiff_t step = width * 4 + 4 * (seed % 3) + 3;
            const std::size_t start = static_cast<std::size_t>(seed % 7);
            std::vector<std::uint8_t> out(static_cast<std::size_t>(step) * rows_high + start + 64, 0x33);
            drawCellsWithKernel(kernel, picture, font, layout, RenderTarget{out.data() + start, step});
            std::vector<std::uint8_t> expected(out.size(), 0x33);
            for (int y = 0; y < rows_high; ++y) {
                for (int x = 0; x < width; ++x) {
                    const std::uint32_t pixel = referencePixel(picture, font, layout, x, y);
                    std::memcpy(expected.data() + start + static_cast<std::size_t>(y) * (step & ~3) + x * 4, &pixel, 4);
                }
            }
            ASSERT_TRUE(out == expected) << "kernel " << int(kernel) << " seed " << seed;
        }
    }
}

TEST(CellDrawing, BlinkRateIsVgas)
{
    EXPECT_TRUE(blinkLitAt(0));
    EXPECT_TRUE(blinkLitAt(16 / 70.0 - 0.001));
    EXPECT_FALSE(blinkLitAt(16 / 70.0 + 0.001));
    EXPECT_TRUE(blinkLitAt(32 / 70.0 + 0.001));
}
