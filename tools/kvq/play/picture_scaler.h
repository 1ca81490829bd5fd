// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <vector>

// Scales a picture of 0x00RRGGBB pixels to any size by area: each screen pixel is the average of
// the picture over the part of it that the screen pixel covers. Enlarged, every picture pixel is
// equally wide (at 2.25x, 2.25 screen pixels), a blended screen pixel only where an edge falls
// inside one, and at whole multiples every pixel is copied exactly; reduced, it is an area average,
// so that thin strokes fade rather than vanish. Nothing depends on the time, so nothing shimmers.
class PictureScaler {
public:
    // From `from_width` x `from_height` to `to_width` x `to_height`, all at least 1.
    void configure(int from_width, int from_height, int to_width, int to_height);
    // `from` holds the picture, row after row; `to` gets the scaled one.
    void scale(std::span<const std::uint32_t> from, std::span<std::uint32_t> to);
    int width() const { return to_width_; }
    int height() const { return to_height_; }

private:
    // For each screen pixel along one axis, the picture pixels it covers and their weights in
    // 256ths, adding up to 256.
    struct Taps {
        std::vector<int> first;  // per screen pixel: its first entry in `source` / `weight`
        std::vector<int> source;
        std::vector<std::uint32_t> weight;
    };
    static Taps tapsFor(int from, int to);

    int from_width_ = 0, from_height_ = 0, to_width_ = 0, to_height_ = 0;
    Taps across_, down_;
    std::vector<std::uint32_t> rows_;  // the picture's rows scaled across, before down
};
