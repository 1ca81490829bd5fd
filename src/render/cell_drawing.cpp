// SPDX-License-Identifier: MIT
#include "render/cell_drawing.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

int rowsDrawn(const CellPicture& picture, const CellLayout& layout)
{
    const int first = std::clamp(layout.first_row, 0, picture.rows);
    const int available = picture.rows - first;
    return layout.row_count < 0 ? available : std::min(layout.row_count, available);
}

std::uint32_t paletteColour(const CellPicture& picture, std::uint16_t index)
{
    return index < picture.palette.size() ? picture.palette[index] : 0;
}

}  // namespace

int pictureWidthPixels(const CellPicture& picture, const CellLayout& layout)
{
    return picture.columns * (layout.letter_spacing == 9 ? 9 : 8);
}

int pictureHeightPixels(const CellPicture& picture, const CellFont& font, const CellLayout& layout)
{
    return rowsDrawn(picture, layout) * font.height;
}

void drawCells(const CellPicture& picture, const CellFont& font, const CellLayout& layout, RenderTarget target)
{
    if (!target.pixels) return;
    const int cell_width = layout.letter_spacing == 9 ? 9 : 8;
    const int first = std::clamp(layout.first_row, 0, picture.rows);
    const int rows = rowsDrawn(picture, layout);
    const std::ptrdiff_t row_step = target.row_step_bytes & ~std::ptrdiff_t{3};
    std::uint32_t line[9];
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < picture.columns; ++column) {
            const Cell& cell = picture.at(first + row, column);
            const std::uint32_t ink = paletteColour(picture, cell.foreground);
            const std::uint32_t paper = paletteColour(picture, cell.background);
            const bool shown =
                cell.code < font.glyph_count && (layout.blink_lit || (cell.flags & Cell::kBlinks) == 0);
            const bool ninth = cell_width == 9 && ninthColumnRepeats(cell.code);
            std::uint8_t* out = target.pixels + static_cast<std::ptrdiff_t>(row) * font.height * row_step +
                                static_cast<std::ptrdiff_t>(column) * cell_width * 4;
            for (int y = 0; y < font.height; ++y) {
                const unsigned bits = shown ? font.row(cell.code, y) : 0u;
                for (int x = 0; x < 8; ++x) line[x] = (bits & (0x80u >> x)) ? ink : paper;
                line[8] = ninth && (bits & 1u) ? ink : paper;
                // memcpy: the target's rows need not be aligned.
                std::memcpy(out + y * row_step, line, static_cast<std::size_t>(cell_width) * 4);
            }
        }
    }
}

bool blinkLitAt(double seconds)
{
    constexpr double kRefreshHz = 70.0;
    constexpr double kRefreshesPerHalf = 16.0;
    if (!(seconds > 0)) return true;
    return static_cast<long long>(std::floor(seconds * kRefreshHz / kRefreshesPerHalf)) % 2 == 0;
}
