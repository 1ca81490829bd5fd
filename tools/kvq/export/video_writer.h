// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>

// Where `kvq export` sends the pictures of an animation, one 640x480 frame of 0x00RRGGBB pixels
// (the rasteriser's format) at a time, at 24 frames per second. Nothing appears under the
// output's name until finish(); a writer destroyed before that leaves no file behind.
class VideoWriter {
public:
    virtual ~VideoWriter() = default;
    virtual void addFrame(std::span<const std::uint32_t> pixels) = 0;
    virtual void finish() = 0;
};
