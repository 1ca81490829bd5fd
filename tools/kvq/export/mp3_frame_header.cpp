// SPDX-License-Identifier: MIT
#include "kvq/export/mp3_frame_header.h"

#include <array>

namespace {

// Kilobits per second by bitrate index; index 0 (free format) and 15 (not allowed) are refused before.
constexpr std::array<int, 15> kMpeg1Kbps = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
constexpr std::array<int, 15> kMpeg2Kbps = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
// By sample rate index, for MPEG 1; MPEG 2 halves them and MPEG 2.5 quarters them.
constexpr std::array<int, 3> kMpeg1RatesHz = {44100, 48000, 32000};

constexpr int kVersionReserved = 1, kVersion2 = 2, kVersion1 = 3;  // 0 is MPEG 2.5
constexpr int kLayer3 = 1;
constexpr int kChannelModeMono = 3;

}  // namespace

std::size_t Mp3FrameHeader::xingOffset() const
{
    const std::size_t side_information = mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    return kBytes + (protected_by_crc ? 2 : 0) + side_information;
}

std::optional<Mp3FrameHeader> readMp3FrameHeader(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < Mp3FrameHeader::kBytes || bytes[0] != 0xFF || (bytes[1] & 0xE0) != 0xE0) return std::nullopt;
    const int version = (bytes[1] >> 3) & 3;
    const int layer = (bytes[1] >> 1) & 3;
    const int bitrate_index = bytes[2] >> 4;
    const int rate_index = (bytes[2] >> 2) & 3;
    if (version == kVersionReserved || layer != kLayer3 || bitrate_index == 0 || bitrate_index == 15 ||
        rate_index == 3) {
        return std::nullopt;
    }
    Mp3FrameHeader header;
    header.mpeg1 = version == kVersion1;
    const int divisor = version == kVersion1 ? 1 : version == kVersion2 ? 2 : 4;
    header.sample_rate_hz = kMpeg1RatesHz[static_cast<std::size_t>(rate_index)] / divisor;
    header.samples = header.mpeg1 ? 1152 : 576;
    const int kbps = (header.mpeg1 ? kMpeg1Kbps : kMpeg2Kbps)[static_cast<std::size_t>(bitrate_index)];
    const bool padded = (bytes[2] >> 1) & 1;
    // samples / 8 bytes per bit of bitrate per sample: 144 for MPEG 1, 72 for MPEG 2 and 2.5.
    header.bytes =
        static_cast<std::size_t>(header.samples / 8 * kbps * 1000 / header.sample_rate_hz) + (padded ? 1 : 0);
    header.mono = (bytes[3] >> 6) == kChannelModeMono;
    header.protected_by_crc = (bytes[1] & 1) == 0;
    return header;
}
