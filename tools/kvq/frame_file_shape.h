// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "content/frame_list.h"
#include "content/text_frame.h"

inline constexpr int kFramesPerSecond = 24;
inline constexpr std::uint64_t kFrameBytes = TextFrame::kCells;

// How the player divides a frame file of a given size: whole frames, then a trailing block that
// becomes one more frame only when it holds at least FrameList::kUnitBytes bytes.
struct FrameFileShape {
    std::uint64_t whole_frames = 0;
    std::uint64_t trailing_bytes = 0;

    bool trailingBlockIsFrame() const { return trailing_bytes >= FrameList::kUnitBytes; }
    std::uint64_t frames() const { return whole_frames + (trailingBlockIsFrame() ? 1 : 0); }
    double seconds() const { return static_cast<double>(frames()) / kFramesPerSecond; }
};

inline FrameFileShape frameFileShape(std::uint64_t size_bytes)
{
    return {size_bytes / kFrameBytes, size_bytes % kFrameBytes};
}
