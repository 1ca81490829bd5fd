// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "render/raster_kernel.h"
#include "render/render_target.h"
#include "scene/cell_font.h"
#include "scene/cell_picture.h"

// How a cell picture becomes pixels.
struct CellLayout {
    int letter_spacing = 8;  // 8 or 9 pixels a cell
    bool blink_lit = true;   // whether blinking cells show their glyph now
    int first_row = 0;       // the rows drawn: [first_row, first_row + row_count)
    int row_count = -1;      // -1: to the picture's last row
};

int pictureWidthPixels(const CellPicture& picture, const CellLayout& layout);
int pictureHeightPixels(const CellPicture& picture, const CellFont& font, const CellLayout& layout);

// Draws the rows the layout names into the target, 0x00RRGGBB, the first at the target's top.
// Codes past the font's glyphs draw as blanks.
void drawCells(const CellPicture& picture, const CellFont& font, const CellLayout& layout, RenderTarget target);
// The same with a given kernel, which must be available; drawCells takes the best.
void drawCellsWithKernel(RasterKernel kernel, const CellPicture& picture, const CellFont& font,
                         const CellLayout& layout, RenderTarget target);

// Blinking cells blink as VGA's do: a full cycle every 32 refreshes at 70 Hz, lit in the first half.
bool blinkLitAt(double seconds);
