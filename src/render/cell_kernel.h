// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define KVQ_HAVE_X86 1
#endif

// The one rasteriser behind every picture of cells: the player's two-colour frames and colour cell
// pictures of any size. It is templated on a source of cells, which says per cell where its glyph
// rows are and which two colours it takes, and whether those are constants; the player's source
// makes them constants and its glyphs 16 rows, so its frames compile to the same code as a kernel
// written for them alone.
//
// Drawing is bound by storing pixels, so both kernels go cell by cell: each glyph is fetched once
// and its pixel rows are written in one go, 32 bytes a row (two stores on a baseline x86-64 CPU,
// one with AVX2), plus the ninth pixel where cells are 9 wide.
//
// A source is taken by value, so that what it holds stays in registers while pixels are stored. It
// provides:
//   static constexpr int kGlyphHeight;            // 16, or 0 for glyphHeight() at run time
//   static constexpr bool kConstantColours;       // then kInk and kPaper, else colours(row, column)
//   int rows() const, columns() const, glyphHeight() const;
//   const std::uint8_t* glyph(int row, int column) const;  // glyphHeight() rows, bit 7 leftmost
//   bool ninthRepeats(int row, int column) const;           // only asked of 9-pixel cells

namespace cell_kernel {

struct Colours {
    std::uint32_t ink, paper;
};

using PixelOctet = std::array<std::uint32_t, 8>;

// Each glyph row byte looked up as its eight pixels of two constant colours.
template <std::uint32_t kInk, std::uint32_t kPaper>
struct Expansion {
    static constexpr std::array<PixelOctet, 256> make()
    {
        std::array<PixelOctet, 256> table{};
        for (int bits = 0; bits < 256; ++bits) {
            for (int x = 0; x < 8; ++x) {
                table[static_cast<std::size_t>(bits)][static_cast<std::size_t>(x)] =
                    (bits & (0x80 >> x)) != 0 ? kInk : kPaper;
            }
        }
        return table;
    }
    alignas(64) static constexpr std::array<PixelOctet, 256> kTable = make();
};

// Each glyph row byte as eight masks, all ones where a pixel is ink, for colours that vary by cell.
inline constexpr std::array<PixelOctet, 256> kInkMasks = [] {
    std::array<PixelOctet, 256> table{};
    for (int bits = 0; bits < 256; ++bits) {
        for (int x = 0; x < 8; ++x) {
            table[static_cast<std::size_t>(bits)][static_cast<std::size_t>(x)] = (bits & (0x80 >> x)) != 0 ? ~0u : 0u;
        }
    }
    return table;
}();

template <class Source>
int glyphHeightOf(const Source& source)
{
    if constexpr (Source::kGlyphHeight > 0)
        return Source::kGlyphHeight;
    else
        return source.glyphHeight();
}

template <class Source>
Colours coloursOf(const Source& source, int row, int column)
{
    if constexpr (Source::kConstantColours)
        return {Source::kInk, Source::kPaper};
    else
        return source.colours(row, column);
}

// The ninth pixel of a 9-wide cell: the eighth again for the line-drawing codes, else paper.
inline std::uint32_t ninthPixel(std::uint8_t bits, bool repeats, Colours colours)
{
    return repeats && (bits & 1u) ? colours.ink : colours.paper;
}

// Any CPU. Targets may be unaligned, so rows are written with memcpy.
template <int kCellWidth, class Source>
void drawPlain(const Source source, std::uint8_t* pixels, std::ptrdiff_t row_step)
{
    const int height = glyphHeightOf(source);
    const int rows = source.rows();
    const int columns = source.columns();
    for (int row = 0; row < rows; ++row) {
        std::uint8_t* row_pixels = pixels + static_cast<std::ptrdiff_t>(row) * height * row_step;
        for (int column = 0; column < columns; ++column) {
            const std::uint8_t* glyph = source.glyph(row, column);
            std::uint8_t* out = row_pixels + static_cast<std::ptrdiff_t>(column) * kCellWidth * 4;
            if constexpr (Source::kConstantColours && kCellWidth == 8) {
                for (int y = 0; y < height; ++y) {
                    std::memcpy(out + y * row_step, Expansion<Source::kInk, Source::kPaper>::kTable[glyph[y]].data(),
                                8 * 4);
                }
            } else {
                const Colours colours = coloursOf(source, row, column);
                const std::uint32_t differ = colours.ink ^ colours.paper;
                const bool repeats = kCellWidth == 9 && source.ninthRepeats(row, column);
                std::uint32_t line[9];
                for (int y = 0; y < height; ++y) {
                    const PixelOctet& mask = kInkMasks[glyph[y]];
                    for (int x = 0; x < 8; ++x) line[x] = colours.paper ^ (differ & mask[static_cast<std::size_t>(x)]);
                    if constexpr (kCellWidth == 9) line[8] = ninthPixel(glyph[y], repeats, colours);
                    std::memcpy(out + y * row_step, line, kCellWidth * 4);
                }
            }
        }
    }
}

#ifdef KVQ_HAVE_X86
// Per pixel row of a cell: the row's byte lands in the top byte of all eight 32-bit lanes, is
// shifted so that lane x holds bit 7 - x as its sign, and the sign picks ink or paper. Glyphs of 16
// rows are loaded whole and their rows shuffled out; other heights are broadcast row by row.
template <int kCellWidth, class Source>
__attribute__((target("avx2"))) void drawAvx2(const Source source, std::uint8_t* pixels, std::ptrdiff_t row_step)
{
    const int height = glyphHeightOf(source);
    const int rows = source.rows();
    const int columns = source.columns();
    const __m256i lane_shift = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    for (int row = 0; row < rows; ++row) {
        std::uint8_t* row_pixels = pixels + static_cast<std::ptrdiff_t>(row) * height * row_step;
        for (int column = 0; column < columns; ++column) {
            const std::uint8_t* glyph = source.glyph(row, column);
            const Colours colours = coloursOf(source, row, column);
            const __m256 ink = _mm256_castsi256_ps(_mm256_set1_epi32(static_cast<int>(colours.ink)));
            const __m256 paper = _mm256_castsi256_ps(_mm256_set1_epi32(static_cast<int>(colours.paper)));
            std::uint8_t* out = row_pixels + static_cast<std::ptrdiff_t>(column) * kCellWidth * 4;
            [[maybe_unused]] bool repeats = false;
            if constexpr (kCellWidth == 9) repeats = source.ninthRepeats(row, column);
            const auto ninth = [&](int y) {
                if constexpr (kCellWidth == 9) {
                    const std::uint32_t pixel = ninthPixel(glyph[y], repeats, colours);
                    std::memcpy(out + y * row_step + 32, &pixel, 4);
                }
            };
            if (height == 16) {
                const __m256i glyph_rows =
                    _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(glyph)));
#pragma GCC unroll 16
                for (int y = 0; y < 16; ++y) {
                    // Shuffle indices with the top bit set give zero: only byte 3 of each lane is filled.
                    const __m256i pick =
                        _mm256_set1_epi32(static_cast<int>(0x00808080u | (static_cast<unsigned>(y) << 24)));
                    const __m256i bits = _mm256_sllv_epi32(_mm256_shuffle_epi8(glyph_rows, pick), lane_shift);
                    _mm256_storeu_ps(reinterpret_cast<float*>(out + y * row_step),
                                     _mm256_blendv_ps(paper, ink, _mm256_castsi256_ps(bits)));
                    ninth(y);
                }
            } else {
                for (int y = 0; y < height; ++y) {
                    const __m256i bits = _mm256_sllv_epi32(
                        _mm256_set1_epi32(static_cast<int>(static_cast<unsigned>(glyph[y]) << 24)), lane_shift);
                    _mm256_storeu_ps(reinterpret_cast<float*>(out + y * row_step),
                                     _mm256_blendv_ps(paper, ink, _mm256_castsi256_ps(bits)));
                    ninth(y);
                }
            }
        }
    }
}
#endif

}  // namespace cell_kernel
