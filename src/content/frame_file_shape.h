// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "content/player_folder.h"
#include "content/text_frame.h"

// How a frame file of a given size divides into frames: whole frames, then a trailing block that
// becomes one more frame only when it holds at least one 30-byte unit.
struct FrameFileShape {
    static constexpr std::uint64_t kFrameBytes = TextFrame::kCells;
    static constexpr std::uint64_t kUnitBytes = 30;

    std::uint64_t whole_frames = 0;
    std::uint64_t trailing_bytes = 0;

    static FrameFileShape of(std::uint64_t size_bytes) { return {size_bytes / kFrameBytes, size_bytes % kFrameBytes}; }
    bool trailingBlockIsFrame() const { return trailing_bytes >= kUnitBytes; }
    std::uint64_t frames() const { return whole_frames + (trailingBlockIsFrame() ? 1 : 0); }
    double seconds() const { return static_cast<double>(frames()) / kFramesPerSecond; }
};
