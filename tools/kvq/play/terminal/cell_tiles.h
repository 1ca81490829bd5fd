// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "kvq/play/terminal/pixel_painter.h"

// A rectangle of whole terminal cells, counted from the cell the picture's top left corner is in.
struct CellRect {
    int column = 0, row = 0, columns = 0, rows = 0;
    bool operator==(const CellRect&) const = default;
};

// How a picture lies over the terminal's cells: `width` x `height` picture pixels, each drawn as a
// `scale` x `scale` block of the terminal's pixels, its corner on a cell's corner. A cell's edges
// need not fall on a picture pixel's (6x13 cells at twice the size), and the last cell column and
// row may be only partly covered.
struct CellGeometry {
    int width = 0, height = 0, scale = 1;
    int cell_width = 8, cell_height = 16;
    int columns() const { return (width * scale + cell_width - 1) / cell_width; }
    int rows() const { return (height * scale + cell_height - 1) / cell_height; }
};

// The cells whose pixels differ between `before` and `after` (both laid out as `geometry` says),
// as rectangles: per cell row the span from its first changed cell to its last, joined to the
// rectangle of the row above where the unchanged cells that adds are few, since a rectangle costs a
// cursor move and an image header, and a few unchanged cells cost less. Rows without changes are
// never sent. An empty `before` counts as a terminal that shows nothing yet: every cell. Top to bottom.
std::vector<CellRect> changedCells(std::span<const std::uint32_t> before, std::span<const std::uint32_t> after,
                                   const CellGeometry& geometry);

// Appends the cursor move to the top left cell of `cells` of a picture placed at `where`.
void appendCursorTo(const PixelPlacement& where, const CellRect& cells, std::string& out);

// A rectangle of the terminal's pixels, from the picture's corner.
struct TerminalPixels {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const TerminalPixels&) const = default;
};

// The terminal pixels of `cells` that the picture covers (the last cells may be cut).
TerminalPixels picturePixels(const CellRect& cells, const CellGeometry& geometry);

// What a painter knows the terminal shows: the picture it sent last and where, so that it sends a
// new one as the cells that changed, or whole when the terminal shows nothing of it (at first, after
// forget(), or where the picture's size, scale or place is not the one shown).
class ShownPicture {
public:
    struct Changes {
        bool whole = false;
        CellGeometry geometry;
        std::vector<CellRect> cells;
    };
    // What to send for `pixels`; takes the picture as shown from then on.
    Changes show(std::span<const std::uint32_t> pixels, int width, int height, int scale, const PixelPlacement& where);
    void forget() { pixels_.clear(); }

private:
    std::vector<std::uint32_t> pixels_;  // empty where the terminal shows nothing of ours
    CellGeometry geometry_;
    PixelPlacement where_;
};
