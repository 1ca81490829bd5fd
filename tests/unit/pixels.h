// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "content/glyph_table.h"
#include "content/text_frame.h"
#include "render/colours.h"

// A 640x480 image in 0x00RRGGBB pixels with a chosen row step, plus the straightforward
// per-pixel drawing that any faster rasteriser must match.
struct PixelBuffer {
    explicit PixelBuffer(std::ptrdiff_t row_step = 2560, std::size_t offset = 0, std::uint8_t fill = 0x5A)
        : bytes(static_cast<std::size_t>(row_step) * 480 + offset + 64, fill), step(row_step), start(offset)
    {
    }
    RenderTarget target() { return {bytes.data() + start, step}; }
    std::uint32_t pixel(int x, int y) const
    {
        std::uint32_t value;
        std::memcpy(&value, bytes.data() + start + static_cast<std::size_t>(y) * static_cast<std::size_t>(step) + static_cast<std::size_t>(x) * 4, 4);
        return value;
    }

    std::vector<std::uint8_t> bytes;
    std::ptrdiff_t step;
    std::size_t start;
};

inline void drawReference(const TextFrame& frame, const GlyphTable& glyphs, PixelBuffer& out)
{
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const std::uint8_t code = frame.at(y / 16, x / 8);
            const bool ink = (glyphs[code][static_cast<std::size_t>(y % 16)] >> (7 - x % 8)) & 1;
            const std::uint32_t value = ink ? kInkColour : kPaperColour;
            std::memcpy(out.bytes.data() + out.start + static_cast<std::size_t>(y) * static_cast<std::size_t>(out.step) + static_cast<std::size_t>(x) * 4, &value, 4);
        }
    }
}

inline TextFrame filledFrame(std::uint8_t code)
{
    TextFrame frame;
    frame.cells.fill(code);
    return frame;
}
