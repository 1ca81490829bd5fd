// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

#include "scene/cell_font.h"
#include "scene/cell_picture.h"

// Draws the part of a cell picture that a view shows: `width` x `height` pixels whose top row is
// the picture's pixel row `top`, any pixel row (not only a cell's first), so that a tall picture
// scrolls a pixel at a time. Only the cells in view are drawn. Pixels past the picture are black.
class ViewDrawing {
public:
    void draw(const CellPicture& picture, const CellFont& font, int letter_spacing, bool blink_lit, int top, int width,
              int height, std::vector<std::uint32_t>& view);

private:
    std::vector<std::uint32_t> rows_;  // whole cell rows around the view
};
