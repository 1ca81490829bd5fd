// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "render/render_target.h"

class GlyphTable;

// The two ways the rasteriser can fill the target; both produce the same bytes.
enum class RasterKernel {
    plain,  // any CPU
    avx2,   // x86-64 CPUs with AVX2, chosen at run time
};

bool rasterKernelAvailable(RasterKernel kernel);
// The kernel drawFrame uses on this CPU.
RasterKernel bestRasterKernel();
// Draws 30x80 codes through the target with the given kernel; the kernel must be available.
void drawWithKernel(RasterKernel kernel, const std::uint8_t* codes, const GlyphTable& glyphs, RenderTarget target);
