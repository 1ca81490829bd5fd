// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "render/cell_drawing.h"
#include "scene/cell_font.h"
#include "scene/cell_picture.h"

// Bytes from text with escapes written as "\x1b" in C++ source.
inline std::vector<std::uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

// A picture drawn as drawCells draws it, 0x00RRGGBB row after row.
struct DrawnPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

inline DrawnPicture drawPicture(const CellPicture& picture, const CellFont& font, int letter_spacing)
{
    CellLayout layout;
    layout.letter_spacing = letter_spacing;
    DrawnPicture drawn;
    drawn.width = pictureWidthPixels(picture, layout);
    drawn.height = pictureHeightPixels(picture, font, layout);
    drawn.pixels.assign(static_cast<std::size_t>(drawn.width) * drawn.height, 0xDEADBE);
    drawCells(picture, font, layout,
              RenderTarget{reinterpret_cast<std::uint8_t*>(drawn.pixels.data()), std::ptrdiff_t{drawn.width} * 4});
    return drawn;
}

// The code of each cell of a row as text, for readable expectations ('.' for blanks).
inline std::string rowText(const CellPicture& picture, int row)
{
    std::string text;
    for (int column = 0; column < picture.columns; ++column) {
        const int code = picture.at(row, column).code;
        text += code == ' ' ? '.' : static_cast<char>(code);
    }
    while (!text.empty() && text.back() == '.') text.pop_back();
    return text;
}
