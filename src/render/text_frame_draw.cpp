// SPDX-License-Identifier: MIT
#include <array>
#include <cstring>

#include "content/glyph_table.h"
#include "content/text_frame.h"
#include "render/colours.h"

namespace {

// Every glyph row byte expanded to its 8 pixels once, so that drawing a cell row is one 32-byte
// copy instead of eight bit tests.
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

constexpr std::array<PixelOctet, 256> kExpansion = makeExpansion();

}  // namespace

void TextFrame::draw(RenderTarget target) const { draw(target, glyphTable); }

void TextFrame::draw(RenderTarget target, const GlyphTable& glyphs) const
{
    if (!target.pixels) return;
    const std::ptrdiff_t row_step = target.row_step_bytes & ~std::ptrdiff_t{3};
    for (int row = 0; row < kRows; ++row) {
        const std::uint8_t* codes = cells.data() + row * kColumns;
        for (int glyph_row = 0; glyph_row < 16; ++glyph_row) {
            // memcpy, not uint32_t stores: the target may be unaligned memory.
            std::uint8_t* out = target.pixels + (row * 16 + glyph_row) * row_step;
            for (int column = 0; column < kColumns; ++column) {
                const std::uint8_t bits = glyphs[codes[column]][static_cast<std::size_t>(glyph_row)];
                std::memcpy(out + column * 32, kExpansion[bits].data(), 32);
            }
        }
    }
}
