// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

// The frames the player must make of a frame file's bytes, worked out here from the format alone,
// not by the player's loader, so that a fault in the loader shows in the tests that compare against
// it: whole frames of 2400 codes, then a trailing block of 30 bytes or more over a copy of the frame
// before it (zeros if none).
inline std::vector<std::vector<std::uint8_t>> playersFrames(const std::vector<std::uint8_t>& bytes)
{
    std::vector<std::vector<std::uint8_t>> frames;
    for (std::size_t start = 0; start < bytes.size(); start += 2400) {
        const std::size_t length = std::min<std::size_t>(2400, bytes.size() - start);
        if (length < 30) break;
        auto frame = frames.empty() ? std::vector<std::uint8_t>(2400, 0) : frames.back();
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(start), length, frame.begin());
        frames.push_back(frame);
    }
    return frames;
}
