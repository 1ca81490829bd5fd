// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// The four bytes that start an MPEG audio frame of layer III (MPEG 1, 2 or 2.5), read as far as
// cutting a stream at frame boundaries needs: how long the frame is in bytes and in samples.
struct Mp3FrameHeader {
    static constexpr std::size_t kBytes = 4;

    int sample_rate_hz = 0;
    int samples = 0;        // per channel: 1152 for MPEG 1, 576 for MPEG 2 and 2.5
    std::size_t bytes = 0;  // the whole frame, header and padding included
    bool mpeg1 = false;
    bool mono = false;
    bool protected_by_crc = false;  // two bytes of CRC follow the header

    // Where a Xing or Info header starts in this frame: after the header, its CRC and the side information.
    std::size_t xingOffset() const;
    // Frames of one stream keep these; a "header" that changes them is a chance match in other bytes.
    bool sameStreamAs(const Mp3FrameHeader& other) const
    {
        return sample_rate_hz == other.sample_rate_hz && mpeg1 == other.mpeg1 && samples == other.samples;
    }
};

// The header at the start of `bytes`, or nothing when they do not start a layer III frame of a
// known bitrate (a free-format frame has no length of its own, so it is not taken either).
std::optional<Mp3FrameHeader> readMp3FrameHeader(std::span<const std::uint8_t> bytes);
