// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "content/glyph_table.h"
#include "content/text_frame.h"
#include "render/packed_picture.h"

// The encoder's pictures are 640x480 like the player's, as one luminance byte per pixel, row
// after row.
inline constexpr std::size_t kPicturePixels = static_cast<std::size_t>(kPictureWidth) * kPictureHeight;

// Picks, for every 8x16 cell of a picture, the character code whose glyph drawn in ink and
// paper is closest to the cell in squared error of luminance; ties go to the lowest code.
class GlyphMatcher {
public:
    explicit GlyphMatcher(const GlyphTable& glyphs);

    std::uint8_t bestCode(const std::uint8_t* cell_top_left, std::ptrdiff_t row_bytes) const;

private:
    // The squared error of code c differs from every other code's only by
    // ink_weight * (luminance under c's ink pixels) + count_weight * (c's ink pixel count); the
    // sum under the ink pixels is all of it that needs the cell's pixels.
    alignas(16) std::array<std::array<std::uint8_t, 128>, 256> ink_masks_{};
    std::array<int, 256> ink_counts_{};
    // Codes 128-255 are inverses of 0-127 in every font the player loads; then their sums follow
    // from the cell's total, and only half the masks are visited.
    bool inverse_upper_half_ = false;
};
