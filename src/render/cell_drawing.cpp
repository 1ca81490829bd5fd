// SPDX-License-Identifier: MIT
#include "render/cell_drawing.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "render/cell_kernel.h"

namespace {

int rowsDrawn(const CellPicture& picture, const CellLayout& layout)
{
    const int first = std::clamp(layout.first_row, 0, picture.rows);
    const int available = picture.rows - first;
    return layout.row_count < 0 ? available : std::clamp(layout.row_count, 0, available);
}

// Glyph rows for a cell drawn as its background alone: a code past the font, or a blinking cell in
// the blink's dark half. Long enough for any glyph height.
constexpr std::array<std::uint8_t, CellFont::kMaxHeight> kBlankGlyph{};

// A cell picture as a source of cells for the one rasteriser: the rows the layout names, each cell's
// colours from the palette.
struct PictureCells {
    static constexpr int kGlyphHeight = 0;
    static constexpr bool kConstantColours = false;

    const CellPicture& picture;
    const CellFont& font;
    int first_row;
    int row_count;
    bool blink_lit;

    int rows() const { return row_count; }
    int columns() const { return picture.columns; }
    int glyphHeight() const { return font.height; }
    const Cell& cell(int row, int column) const { return picture.at(first_row + row, column); }
    const std::uint8_t* glyph(int row, int column) const
    {
        const Cell& c = cell(row, column);
        const bool shown = c.code < font.glyph_count && (blink_lit || (c.flags & Cell::kBlinks) == 0);
        return shown ? font.rows.data() + static_cast<std::size_t>(c.code) * font.height : kBlankGlyph.data();
    }
    cell_kernel::Colours colours(int row, int column) const
    {
        const Cell& c = cell(row, column);
        return {colour(c.foreground), colour(c.background)};
    }
    bool ninthRepeats(int row, int column) const { return ninthColumnRepeats(cell(row, column).code); }
    std::uint32_t colour(std::uint16_t index) const
    {
        return index < picture.palette.size() ? picture.palette[index] : 0;
    }
};

}  // namespace

int pictureWidthPixels(const CellPicture& picture, const CellLayout& layout)
{
    return picture.columns * (layout.letter_spacing == 9 ? 9 : 8);
}

int pictureHeightPixels(const CellPicture& picture, const CellFont& font, const CellLayout& layout)
{
    return rowsDrawn(picture, layout) * font.height;
}

void drawCellsWithKernel(RasterKernel kernel, const CellPicture& picture, const CellFont& font,
                         const CellLayout& layout, RenderTarget target)
{
    if (!target.pixels || font.height < 1 || font.height > CellFont::kMaxHeight) return;
    const PictureCells cells{picture, font, std::clamp(layout.first_row, 0, picture.rows), rowsDrawn(picture, layout),
                             layout.blink_lit};
    const std::ptrdiff_t row_step = target.row_step_bytes & ~std::ptrdiff_t{3};
    const bool nine = layout.letter_spacing == 9;
#ifdef KVQ_HAVE_X86
    if (kernel == RasterKernel::avx2) {
        if (nine)
            cell_kernel::drawAvx2<9>(cells, target.pixels, row_step);
        else
            cell_kernel::drawAvx2<8>(cells, target.pixels, row_step);
        return;
    }
#endif
    if (nine)
        cell_kernel::drawPlain<9>(cells, target.pixels, row_step);
    else
        cell_kernel::drawPlain<8>(cells, target.pixels, row_step);
}

void drawCells(const CellPicture& picture, const CellFont& font, const CellLayout& layout, RenderTarget target)
{
    drawCellsWithKernel(bestRasterKernel(), picture, font, layout, target);
}

bool blinkLitAt(double seconds)
{
    constexpr double kRefreshHz = 70.0;
    constexpr double kRefreshesPerHalf = 16.0;
    if (!(seconds > 0)) return true;
    return static_cast<long long>(std::floor(seconds * kRefreshHz / kRefreshesPerHalf)) % 2 == 0;
}
