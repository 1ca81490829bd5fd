// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstring>

#include "render/frame_drawing.h"
#include "render/raster_kernel.h"
#include "support/test_files.h"

namespace {

constexpr std::uint32_t kInk = 0x00171410;
constexpr std::uint32_t kPaper = 0x00E8CCA0;

GlyphTable tableFrom(const std::vector<std::uint8_t>& font)
{
    GlyphTable table;
    table.fillFrom(font.data(), font.size());
    return table;
}

TextFrame frameOf(const std::vector<std::uint8_t>& codes)
{
    TextFrame frame;
    std::copy(codes.begin(), codes.end(), frame.cells.begin());
    return frame;
}

// The straightforward per-pixel drawing that every kernel must match, into memory with any row
// step and start; the rest of the memory keeps its fill.
std::vector<std::uint8_t> reference(const TextFrame& frame, const GlyphTable& glyphs, std::size_t size,
                                    std::size_t start, std::ptrdiff_t row_step, std::uint8_t fill)
{
    std::vector<std::uint8_t> bytes(size, fill);
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const bool ink = (glyphs[frame.at(y / 16, x / 8)][static_cast<std::size_t>(y % 16)] >> (7 - x % 8)) & 1;
            const std::uint32_t value = ink ? kInk : kPaper;
            std::memcpy(bytes.data() + start + static_cast<std::size_t>(y * row_step + x * 4), &value, 4);
        }
    }
    return bytes;
}

}  // namespace

TEST(Rasteriser, EveryKernelMatchesThePerPixelReferenceAtOddRowStepsAndStarts)
{
    std::vector<RasterKernel> kernels{RasterKernel::plain};
    if (rasterKernelAvailable(RasterKernel::avx2)) kernels.push_back(RasterKernel::avx2);
    for (RasterKernel kernel : kernels) {
        for (std::uint32_t seed = 0; seed < 30; ++seed) {
            const GlyphTable glyphs = tableFrom(randomBytes(8192, seed));
            const TextFrame frame = frameOf(randomBytes(2400, seed + 1000));
            // Steps of a row or wider, some not a whole number of pixels (drawn as whole pixels);
            // starts off any alignment.
            const std::ptrdiff_t step = 2560 + 4 * static_cast<std::ptrdiff_t>(seed % 5) + (seed % 3 == 0 ? 3 : 0);
            const std::size_t start = seed % 7;
            const std::size_t size = static_cast<std::size_t>(step) * 480 + start + 64;
            std::vector<std::uint8_t> out(size, 0x33);
            drawWithKernel(kernel, frame.cells.data(), glyphs, {out.data() + start, step});
            ASSERT_EQ(out, reference(frame, glyphs, size, start, step & ~std::ptrdiff_t{3}, 0x33))
                << "kernel " << static_cast<int>(kernel) << ", seed " << seed;
        }
    }
    // drawFrame uses the best kernel there is, and does nothing without pixels.
    const GlyphTable glyphs = tableFrom(randomBytes(8192, 5));
    const TextFrame frame = frameOf(randomBytes(2400, 6));
    std::vector<std::uint8_t> out(2560 * 480);
    drawFrame(frame, glyphs, {out.data(), 2560});
    EXPECT_EQ(out, reference(frame, glyphs, out.size(), 0, 2560, 0));
    drawFrame(frame, glyphs, {nullptr, 2560});
}
