// SPDX-License-Identifier: MIT
#include "kvq/play/terminal/cell_tiles.h"

#include <algorithm>
#include <cassert>
#include <string>

namespace {

// A rectangle costs a cursor move, an image's header and its palette, a hundred bytes or so, and the
// start and end of its bands; a row's span is joined to the rectangle above it where the unchanged
// cells that adds hold at most this many picture pixels. On the demo (6x13 cells) that sends 7-14%
// fewer bytes than a rectangle a row, sixel and kitty, at 1x and 2x; joining more gains no more.
constexpr long kJoinPixels = 3000;

// The first and last picture column that differ in one picture row; first > last where none does.
struct RowChange {
    int first = 1, last = 0;
};

RowChange rowChange(const std::uint32_t* before, const std::uint32_t* after, int width)
{
    RowChange change;
    int x = 0;
    while (x < width && before[x] == after[x]) ++x;
    if (x == width) return change;
    change.first = x;
    int y = width - 1;
    while (before[y] == after[y]) --y;
    change.last = y;
    return change;
}

}  // namespace

std::vector<CellRect> changedCells(std::span<const std::uint32_t> before, std::span<const std::uint32_t> after,
                                   const CellGeometry& g)
{
    [[maybe_unused]] const std::size_t pixels = static_cast<std::size_t>(g.width) * static_cast<std::size_t>(g.height);
    assert(after.size() >= pixels && (before.empty() || before.size() >= pixels));
    std::vector<CellRect> rects;
    if (g.width <= 0 || g.height <= 0) return rects;

    std::vector<RowChange> rows(static_cast<std::size_t>(g.height));
    for (int y = 0; y < g.height; ++y) {
        const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(g.width);
        rows[static_cast<std::size_t>(y)] =
            before.empty() ? RowChange{0, g.width - 1} : rowChange(&before[at], &after[at], g.width);
    }

    const int cell_rows = g.rows();
    for (int r = 0; r < cell_rows; ++r) {
        // The picture rows that show in this cell row, whole or in part.
        const int top = r * g.cell_height / g.scale;
        const int bottom = std::min(g.height, ((r + 1) * g.cell_height + g.scale - 1) / g.scale);
        int first = g.width, last = -1;
        for (int y = top; y < bottom; ++y) {
            const RowChange& change = rows[static_cast<std::size_t>(y)];
            if (change.first > change.last) continue;
            first = std::min(first, change.first);
            last = std::max(last, change.last);
        }
        if (last < 0) continue;
        const int first_cell = first * g.scale / g.cell_width;
        const int last_cell = ((last + 1) * g.scale - 1) / g.cell_width;
        const CellRect rect{first_cell, r, last_cell - first_cell + 1, 1};
        if (!rects.empty() && rects.back().row + rects.back().rows == r) {
            CellRect& above = rects.back();
            const int left = std::min(above.column, rect.column);
            const int right = std::max(above.column + above.columns, rect.column + rect.columns);
            const long added = static_cast<long>(right - left) * (above.rows + 1) -
                               static_cast<long>(above.columns) * above.rows - rect.columns;
            if (added * g.cell_width * g.cell_height <= kJoinPixels * g.scale * g.scale) {
                above.column = left;
                above.columns = right - left;
                ++above.rows;
                continue;
            }
        }
        rects.push_back(rect);
    }
    return rects;
}

TerminalPixels picturePixels(const CellRect& cells, const CellGeometry& g)
{
    const int x = cells.column * g.cell_width, y = cells.row * g.cell_height;
    return {x, y, std::min((cells.column + cells.columns) * g.cell_width, g.width * g.scale) - x,
            std::min((cells.row + cells.rows) * g.cell_height, g.height * g.scale) - y};
}

ShownPicture::Changes ShownPicture::show(std::span<const std::uint32_t> pixels, int width, int height, int scale,
                                         const PixelPlacement& where)
{
    Changes changes;
    changes.geometry = {width, height, scale, where.cell_width, where.cell_height};
    const CellGeometry& g = changes.geometry;
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    const bool same_layout = where == where_ && g.width == geometry_.width && g.height == geometry_.height &&
                             g.scale == geometry_.scale && pixels_.size() == count;
    if (!same_layout) pixels_.clear();
    changes.whole = pixels_.empty();
    changes.cells = changedCells(pixels_, pixels.first(count), g);
    pixels_.assign(pixels.begin(), pixels.begin() + static_cast<std::ptrdiff_t>(count));
    geometry_ = g;
    where_ = where;
    return changes;
}

void appendCursorTo(const PixelPlacement& where, const CellRect& cells, std::string& out)
{
    out += "\x1b[";
    out += std::to_string(where.row + cells.row + 1);
    out.push_back(';');
    out += std::to_string(where.column + cells.column + 1);
    out.push_back('H');
}
