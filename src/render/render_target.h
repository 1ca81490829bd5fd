// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>

// Where a frame is drawn. The row step is that of the memory itself (a texture's pitch may exceed
// 2560 bytes), so the rasteriser never assumes a packed 640x480 buffer.
struct RenderTarget {
    std::uint8_t* pixels = nullptr;     // top-left pixel; null when the surface could not be locked
    std::ptrdiff_t row_step_bytes = 0;  // applied as whole 4-byte pixels
};
