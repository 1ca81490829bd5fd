// SPDX-License-Identifier: MIT
#include "render/frame_drawing.h"

#include "render/raster_kernel.h"

void drawFrame(const TextFrame& frame, const GlyphTable& glyphs, RenderTarget target)
{
    drawWithKernel(bestRasterKernel(), frame.cells.data(), glyphs, target);
}
