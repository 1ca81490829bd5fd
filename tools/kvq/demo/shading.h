// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

#include "kvq/demo/text_canvas.h"

// Cells from paper to ink: ASCII by how much of the cell its glyph inks, then the inverse cells
// in the opposite order, so that the darker half is a light glyph cut out of a dark block and the
// last step is a solid block.
inline constexpr std::array<std::uint8_t, 16> kShadeRamp = {
    plain(' '), plain('.'), plain(':'),   plain('-'),   plain('='),   plain('+'),   plain('*'),   plain('#'),
    plain('%'), plain('@'), inverse('@'), inverse('#'), inverse('+'), inverse(':'), inverse('.'), kSolid,
};

// `level` 0 is paper and 1 solid ink; values outside are clamped.
inline std::uint8_t shade(double level)
{
    const double clamped = std::clamp(level, 0.0, 1.0);
    const auto step = static_cast<std::size_t>(clamped * (kShadeRamp.size() - 1) + 0.5);
    return kShadeRamp[step];
}
