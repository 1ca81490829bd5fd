// SPDX-License-Identifier: MIT
#pragma once

#include <string_view>

// Big letters built from cells: each letter is a 5x7 grid of dots, which the scenes draw with
// whatever cell and scale suits them. Lower case is drawn as upper case; a letter without a
// drawing comes out blank.
inline constexpr int kBlockLetterDots = 5;  // across
inline constexpr int kBlockLetterRows = 7;

bool blockLetterDot(char letter, int x, int y);

// Cells per dot, and blank columns between letters. Two columns per dot make the dots square,
// as a cell is twice as tall as it is wide.
struct BlockLayout {
    int scale_x = 2;
    int scale_y = 1;
    int gap = 1;

    int pitch() const { return kBlockLetterDots * scale_x + gap; }
    int width(std::string_view text) const { return text.empty() ? 0 : static_cast<int>(text.size()) * pitch() - gap; }
};

// Calls `visit(x, y)` for every cell of the dots of `text` set from (`left`, `top`).
template <typename Visit>
void forEachBlockCell(std::string_view text, int left, int top, BlockLayout layout, Visit visit)
{
    for (std::size_t index = 0; index < text.size(); ++index) {
        const int letter_left = left + static_cast<int>(index) * layout.pitch();
        for (int dot_y = 0; dot_y < kBlockLetterRows; ++dot_y) {
            for (int dot_x = 0; dot_x < kBlockLetterDots; ++dot_x) {
                if (!blockLetterDot(text[index], dot_x, dot_y)) continue;
                for (int sy = 0; sy < layout.scale_y; ++sy) {
                    for (int sx = 0; sx < layout.scale_x; ++sx) {
                        visit(letter_left + dot_x * layout.scale_x + sx, top + dot_y * layout.scale_y + sy);
                    }
                }
            }
        }
    }
}
