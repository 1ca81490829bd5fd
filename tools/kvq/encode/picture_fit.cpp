// SPDX-License-Identifier: MIT
#include "kvq/encode/picture_fit.h"

#include <algorithm>

#include "kvq/encode/glyph_matcher.h"

std::vector<std::uint8_t> fitPicture(std::span<const std::uint8_t> luminance, int width, int height)
{
    std::vector<std::uint8_t> out(kPicturePixels, 0);
    if (width <= 0 || height <= 0) return out;
    // Compare 640/width with 480/height without rounding: the smaller one decides.
    const bool width_decides =
        static_cast<std::int64_t>(kPictureWidth) * height <= static_cast<std::int64_t>(kPictureHeight) * width;
    const int fitted_width =
        width_decides ? kPictureWidth
                      : std::max(1, static_cast<int>(static_cast<std::int64_t>(width) * kPictureHeight / height));
    const int fitted_height =
        width_decides ? std::max(1, static_cast<int>(static_cast<std::int64_t>(height) * kPictureWidth / width))
                      : kPictureHeight;
    const int left = (kPictureWidth - fitted_width) / 2;
    const int top = (kPictureHeight - fitted_height) / 2;

    for (int y = 0; y < fitted_height; ++y) {
        const int y0 = static_cast<int>(static_cast<std::int64_t>(y) * height / fitted_height);
        const int y1 = std::max(y0 + 1, static_cast<int>(static_cast<std::int64_t>(y + 1) * height / fitted_height));
        for (int x = 0; x < fitted_width; ++x) {
            const int x0 = static_cast<int>(static_cast<std::int64_t>(x) * width / fitted_width);
            const int x1 = std::max(x0 + 1, static_cast<int>(static_cast<std::int64_t>(x + 1) * width / fitted_width));
            std::uint64_t sum = 0;
            for (int sy = y0; sy < y1; ++sy) {
                for (int sx = x0; sx < x1; ++sx)
                    sum += luminance[static_cast<std::size_t>(sy) * static_cast<std::size_t>(width) +
                                     static_cast<std::size_t>(sx)];
            }
            const std::uint64_t count = static_cast<std::uint64_t>(y1 - y0) * static_cast<std::uint64_t>(x1 - x0);
            out[static_cast<std::size_t>((top + y) * kPictureWidth + left + x)] =
                static_cast<std::uint8_t>((sum + count / 2) / count);
        }
    }
    return out;
}
