// SPDX-License-Identifier: MIT
#include "render/raster_kernel.h"

#include "content/glyph_table.h"
#include "content/text_frame.h"
#include "render/cell_kernel.h"
#include "render/colours.h"

namespace {

// The player's frames as a source of cells for the one rasteriser: 30x80 codes, 16-row glyphs from
// the glyph table, and the same two colours everywhere.
struct FrameCells {
    static constexpr int kGlyphHeight = 16;
    static constexpr bool kConstantColours = true;
    static constexpr std::uint32_t kInk = kInkColour;
    static constexpr std::uint32_t kPaper = kPaperColour;

    const std::uint8_t* codes;
    const GlyphTable& glyphs;

    int rows() const { return TextFrame::kRows; }
    int columns() const { return TextFrame::kColumns; }
    const std::uint8_t* glyph(int row, int column) const
    {
        return glyphs[codes[row * TextFrame::kColumns + column]].data();
    }
    bool ninthRepeats(int, int) const { return false; }
};

}  // namespace

bool rasterKernelAvailable(RasterKernel kernel)
{
    switch (kernel) {
    case RasterKernel::plain:
        return true;
    case RasterKernel::avx2:
#ifdef KVQ_HAVE_X86
        return __builtin_cpu_supports("avx2");
#else
        return false;
#endif
    }
    return false;
}

RasterKernel bestRasterKernel()
{
    // Cheap enough to ask every time: the CPU's features are read once, at start-up, by the runtime.
    return rasterKernelAvailable(RasterKernel::avx2) ? RasterKernel::avx2 : RasterKernel::plain;
}

void drawWithKernel(RasterKernel kernel, const std::uint8_t* codes, const GlyphTable& glyphs, RenderTarget target)
{
    if (!target.pixels) return;
    const std::ptrdiff_t row_step = target.row_step_bytes & ~std::ptrdiff_t{3};
    const FrameCells cells{codes, glyphs};
#ifdef KVQ_HAVE_X86
    if (kernel == RasterKernel::avx2) {
        cell_kernel::drawAvx2<8>(cells, target.pixels, row_step);
        return;
    }
#endif
    cell_kernel::drawPlain<8>(cells, target.pixels, row_step);
}
