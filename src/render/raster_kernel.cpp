// SPDX-License-Identifier: MIT
#include "render/raster_kernel.h"

#include <array>
#include <cstring>

#include "content/glyph_table.h"
#include "content/text_frame.h"
#include "render/colours.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define KVQ_HAVE_X86 1
#endif

// Drawing is bound by storing 1.2 MB per frame, so both kernels go cell by cell: each glyph is
// fetched once and its 16 pixel rows are written in one go. A cell's rows are 32 bytes each,
// which is all that one store can move on a baseline x86-64 CPU (two stores) and on one with AVX2
// (one store); the AVX2 kernel therefore halves the stores, and computes the pixels from the
// glyph bits in registers instead of loading them from a table.

namespace {

constexpr int kCellBytes = 8 * 4;

// The plain kernel exists for every CPU: each glyph row byte is looked up as its 8 pixels.
using PixelOctet = std::array<std::uint32_t, 8>;

constexpr std::array<PixelOctet, 256> makeExpansion()
{
    std::array<PixelOctet, 256> table{};
    for (int bits = 0; bits < 256; ++bits) {
        for (int x = 0; x < 8; ++x) {
            const bool ink = (bits & (0x80 >> x)) != 0;
            table[static_cast<std::size_t>(bits)][static_cast<std::size_t>(x)] = ink ? kInkColour : kPaperColour;
        }
    }
    return table;
}

alignas(64) constexpr std::array<PixelOctet, 256> kExpansion = makeExpansion();

void drawPlain(const std::uint8_t* codes, const GlyphTable& glyphs, std::uint8_t* pixels, std::ptrdiff_t row_step)
{
    for (int row = 0; row < TextFrame::kRows; ++row) {
        std::uint8_t* row_pixels = pixels + row * 16 * row_step;
        for (int column = 0; column < TextFrame::kColumns; ++column) {
            const Glyph& glyph = glyphs[codes[row * TextFrame::kColumns + column]];
            std::uint8_t* out = row_pixels + column * kCellBytes;
            for (int glyph_row = 0; glyph_row < 16; ++glyph_row) {
                // memcpy, not uint32_t stores: the target may be unaligned.
                std::memcpy(out + glyph_row * row_step, kExpansion[glyph[static_cast<std::size_t>(glyph_row)]].data(),
                            kCellBytes);
            }
        }
    }
}

#ifdef KVQ_HAVE_X86
// The AVX2 kernel exists because it comes within a quarter of memset's speed where the plain one
// takes twice as long. Per pixel row of a cell: the row's byte is shuffled into the top byte of
// all eight 32-bit lanes, shifted so that lane x holds bit 7 - x as its sign, and the sign picks
// ink or paper.
__attribute__((target("avx2"))) void drawAvx2(const std::uint8_t* codes, const GlyphTable& glyphs, std::uint8_t* pixels,
                                              std::ptrdiff_t row_step)
{
    const __m256i lane_shift = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256 ink = _mm256_castsi256_ps(_mm256_set1_epi32(static_cast<int>(kInkColour)));
    const __m256 paper = _mm256_castsi256_ps(_mm256_set1_epi32(static_cast<int>(kPaperColour)));
    for (int row = 0; row < TextFrame::kRows; ++row) {
        std::uint8_t* row_pixels = pixels + row * 16 * row_step;
        for (int column = 0; column < TextFrame::kColumns; ++column) {
            const Glyph& glyph = glyphs[codes[row * TextFrame::kColumns + column]];
            const __m256i rows =
                _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(glyph.data())));
            std::uint8_t* out = row_pixels + column * kCellBytes;
#pragma GCC unroll 16
            for (int glyph_row = 0; glyph_row < 16; ++glyph_row) {
                // Shuffle indices with the top bit set give zero: only byte 3 of each lane is filled.
                const __m256i pick =
                    _mm256_set1_epi32(static_cast<int>(0x00808080u | (static_cast<unsigned>(glyph_row) << 24)));
                const __m256i bits = _mm256_sllv_epi32(_mm256_shuffle_epi8(rows, pick), lane_shift);
                const __m256 octet = _mm256_blendv_ps(paper, ink, _mm256_castsi256_ps(bits));
                _mm256_storeu_ps(reinterpret_cast<float*>(out + glyph_row * row_step), octet);
            }
        }
    }
}
#endif

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
#ifdef KVQ_HAVE_X86
    if (kernel == RasterKernel::avx2) {
        drawAvx2(codes, glyphs, target.pixels, row_step);
        return;
    }
#endif
    drawPlain(codes, glyphs, target.pixels, row_step);
}
