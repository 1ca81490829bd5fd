// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

// How the source's luminance, 0-255, is read before cells are compared with glyphs: what a
// viewer takes for white is paper and for black is ink, so levels map onto the range between
// the two. `target` is the luminance a source level should look like.
struct ToneLevels {
    std::array<float, 256> target{};
    int black = 0;    // the source level taken for ink
    int white = 255;  // and for paper
};

// Black to ink and white to paper, linearly.
ToneLevels fullLevels();
// The pictures' own range stretched onto ink..paper: the darkest and lightest `clipped` of all
// their pixels are clipped. Pictures of too narrow a range (a flat grey) keep the full levels,
// since stretching them would make noise of nothing.
ToneLevels stretchedLevels(std::span<const std::vector<std::uint8_t>> pictures, double clipped = 0.02);
