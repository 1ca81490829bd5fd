// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>

#include "render/render_target.h"

class GlyphTable;

// One frame: 30 rows of 80 character codes, row 0 at the top, stored row after row.
struct TextFrame {
    static constexpr int kColumns = 80;
    static constexpr int kRows = 30;
    static constexpr int kCells = kColumns * kRows;  // 2400, also the frame's size in a file
    static constexpr int kWidthPixels = kColumns * 8;
    static constexpr int kHeightPixels = kRows * 16;

    // No initialiser on purpose: a loader reads straight into fresh storage without zeroing it first.
    std::array<std::uint8_t, kCells> cells;

    std::uint8_t at(int row, int column) const { return cells[static_cast<std::size_t>(row * kColumns + column)]; }

    // Overwrites all 640x480 pixels of the target with the frame drawn in the program's glyph table.
    void draw(RenderTarget target) const;
    void draw(RenderTarget target, const GlyphTable& glyphs) const;
};
