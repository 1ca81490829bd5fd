// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// One frame: 30 rows of 80 character codes, row 0 at the top, stored row after row. Each code
// is drawn as an 8x16 cell, so a frame is a 640x480 picture.
struct TextFrame {
    static constexpr int kColumns = 80;
    static constexpr int kRows = 30;
    static constexpr int kCells = kColumns * kRows;  // 2400, also the frame's size in a file
    static constexpr int kCellWidthPixels = 8;
    static constexpr int kCellHeightPixels = 16;
    static constexpr int kWidthPixels = kColumns * kCellWidthPixels;
    static constexpr int kHeightPixels = kRows * kCellHeightPixels;

    // No initialiser on purpose: a loader reads straight into fresh storage without zeroing it first.
    std::array<std::uint8_t, kCells> cells;

    std::uint8_t at(int row, int column) const { return cells[static_cast<std::size_t>(row * kColumns + column)]; }
};
