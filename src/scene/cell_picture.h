// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <vector>

// The sixteen colours of the VGA text mode, 0x00RRGGBB, in attribute order (0-7 dim, 8-15 bright).
inline constexpr std::array<std::uint32_t, 16> kVgaPalette = {
    0x000000, 0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA, 0xAA5500, 0xAAAAAA,
    0x555555, 0x5555FF, 0x55FF55, 0x55FFFF, 0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF,
};

// One character cell: a glyph and two colours, each an index into the picture's palette. Readers
// resolve what their format means (bold, iCE colours, XBIN's second 256 glyphs, 24-bit colours)
// into these, so that drawing needs nothing of any format.
struct Cell {
    static constexpr std::uint8_t kBlinks = 1;  // drawn as its background alone in the blink's off half

    std::uint16_t code = 0x20;  // 0-255, or 256-511 with a font of 512 glyphs
    std::uint16_t foreground = 7;
    std::uint16_t background = 0;
    std::uint8_t flags = 0;

    friend bool operator==(const Cell&, const Cell&) = default;
};

// A picture of character cells of any size, row after row. `palette` has at least every index
// that a cell names.
struct CellPicture {
    int columns = 80;
    int rows = 0;
    std::vector<Cell> cells;  // rows * columns
    std::vector<std::uint32_t> palette{kVgaPalette.begin(), kVgaPalette.end()};

    Cell& at(int row, int column) { return cells[static_cast<std::size_t>(row) * columns + column]; }
    const Cell& at(int row, int column) const { return cells[static_cast<std::size_t>(row) * columns + column]; }
};
