// SPDX-License-Identifier: MIT
#include "kvq/play/view_drawing.h"

#include <algorithm>

#include "render/cell_drawing.h"

void ViewDrawing::draw(const CellPicture& picture, const CellFont& font, int letter_spacing, bool blink_lit, int top,
                       int width, int height, std::vector<std::uint32_t>& view)
{
    width = std::max(1, width);
    height = std::max(1, height);
    view.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    const int cell_height = std::max(1, font.height);
    top = std::max(0, top);
    CellLayout layout;
    layout.letter_spacing = letter_spacing;
    layout.blink_lit = blink_lit;
    layout.first_row = top / cell_height;
    const int skip = top % cell_height;
    layout.row_count = (skip + height + cell_height - 1) / cell_height;
    const int drawn_width = pictureWidthPixels(picture, layout);
    const int drawn_height = pictureHeightPixels(picture, font, layout);
    // A view of whole cell rows that fills it, as every screen of an animation is, is drawn in place.
    if (skip == 0 && drawn_width == width && drawn_height == height) {
        drawCells(picture, font, layout, {reinterpret_cast<std::uint8_t*>(view.data()), std::ptrdiff_t{width} * 4});
        return;
    }
    std::fill(view.begin(), view.end(), 0u);
    if (drawn_width <= 0 || drawn_height <= 0) return;
    rows_.assign(static_cast<std::size_t>(drawn_width) * static_cast<std::size_t>(drawn_height), 0);
    drawCells(picture, font, layout,
              {reinterpret_cast<std::uint8_t*>(rows_.data()), static_cast<std::ptrdiff_t>(drawn_width) * 4});
    const int columns = std::min(width, drawn_width);
    for (int y = 0; y < height && skip + y < drawn_height; ++y) {
        const auto from = rows_.begin() + static_cast<std::ptrdiff_t>(skip + y) * drawn_width;
        std::copy(from, from + columns, view.begin() + static_cast<std::ptrdiff_t>(y) * width);
    }
}
