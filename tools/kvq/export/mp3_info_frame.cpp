// SPDX-License-Identifier: MIT
#include "kvq/export/mp3_info_frame.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint32_t kHasFrames = 1, kHasBytes = 2, kHasToc = 4, kHasQuality = 8;
constexpr std::size_t kTocEntries = 100;
constexpr std::size_t kVbriOffset = 36;  // fixed, whatever the side information
// A LAME tag, after the Xing fields: the encoder's name, ..., delay and padding at 21-23, the
// music's length at 28, its CRC at 32 and the tag's own CRC at 34, which covers the frame from
// its first byte up to that CRC (190 bytes in an MPEG 1 stereo frame).
constexpr std::size_t kLameTagBytes = 36, kLameDelay = 21, kLameMusicLength = 28, kLameMusicCrc = 32, kLameTagCrc = 34;

std::uint32_t bigEndian32(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return std::uint32_t(bytes[at]) << 24 | std::uint32_t(bytes[at + 1]) << 16 | std::uint32_t(bytes[at + 2]) << 8 |
           bytes[at + 3];
}

void putBigEndian(std::span<std::uint8_t> bytes, std::size_t at, std::uint64_t value, int count)
{
    for (int i = 0; i < count; ++i) bytes[at + std::size_t(i)] = std::uint8_t(value >> (8 * (count - 1 - i)));
}

bool holdsAt(std::span<const std::uint8_t> bytes, std::size_t at, const char (&word)[5])
{
    return at + 4 <= bytes.size() && std::memcmp(bytes.data() + at, word, 4) == 0;
}

// Where the fields after a Xing header's flags end, so where a LAME tag would start.
std::size_t xingFieldsEnd(std::uint32_t flags, std::size_t xing_at)
{
    return xing_at + 8 + ((flags & kHasFrames) ? 4 : 0) + ((flags & kHasBytes) ? 4 : 0) +
           ((flags & kHasToc) ? kTocEntries : 0) + ((flags & kHasQuality) ? 4 : 0);
}

// A LAME tag (or one of its kin that keeps the same layout) where its CRC says it is whole.
bool hasLameTag(std::span<const std::uint8_t> frame, std::size_t lame_at)
{
    if (lame_at + kLameTagBytes > frame.size()) return false;
    const std::uint16_t stored = std::uint16_t(frame[lame_at + kLameTagCrc] << 8 | frame[lame_at + kLameTagCrc + 1]);
    return lameCrc16(frame.first(lame_at + kLameTagCrc)) == stored;
}

}  // namespace

std::uint16_t lameCrc16(std::span<const std::uint8_t> bytes, std::uint16_t crc)
{
    for (const std::uint8_t byte : bytes) {
        crc = std::uint16_t(crc ^ byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? std::uint16_t((crc >> 1) ^ 0xA001) : std::uint16_t(crc >> 1);
    }
    return crc;
}

Mp3InfoFrame readMp3InfoFrame(std::span<const std::uint8_t> frame, const Mp3FrameHeader& header)
{
    Mp3InfoFrame info;
    const std::size_t xing_at = header.xingOffset();
    if (holdsAt(frame, kVbriOffset, "VBRI")) {
        info.kind = Mp3InfoFrame::Kind::vbri;
    } else if ((holdsAt(frame, xing_at, "Xing") || holdsAt(frame, xing_at, "Info")) && xing_at + 8 <= frame.size()) {
        info.kind = Mp3InfoFrame::Kind::xing;
        const std::size_t lame_at = xingFieldsEnd(bigEndian32(frame, xing_at + 4), xing_at);
        if (hasLameTag(frame, lame_at)) {
            info.encoder_delay = frame[lame_at + kLameDelay] << 4 | frame[lame_at + kLameDelay + 1] >> 4;
            info.end_padding = (frame[lame_at + kLameDelay + 1] & 0x0F) << 8 | frame[lame_at + kLameDelay + 2];
        }
    }
    return info;
}

void rewriteXingFrame(std::span<std::uint8_t> stream, const Mp3FrameHeader& header,
                      std::span<const std::uint64_t> frame_offsets)
{
    const std::span<std::uint8_t> frame = stream.first(std::min(header.bytes, stream.size()));
    const std::size_t xing_at = header.xingOffset();
    const std::uint32_t flags = bigEndian32(frame, xing_at + 4);
    const std::size_t lame_at = xingFieldsEnd(flags, xing_at);
    if (lame_at > frame.size()) return;
    const bool lame = hasLameTag(frame, lame_at);
    std::size_t at = xing_at + 8;
    if (flags & kHasFrames) {
        putBigEndian(frame, at, frame_offsets.size(), 4);
        at += 4;
    }
    if (flags & kHasBytes) {
        putBigEndian(frame, at, stream.size(), 4);
        at += 4;
    }
    if (flags & kHasToc) {
        // Entry i: where the frame i percent of the way through starts, in 256ths of the stream.
        for (std::size_t i = 0; i < kTocEntries; ++i) {
            const std::size_t index = frame_offsets.empty() ? 0 : i * frame_offsets.size() / kTocEntries;
            const std::uint64_t offset = frame_offsets.empty() ? 0 : frame_offsets[index];
            frame[at + i] =
                std::uint8_t(std::min<std::uint64_t>(255, offset * 256 / std::max<std::size_t>(1, stream.size())));
        }
    }
    if (!lame) return;
    // The last frame kept is whole music now, so none of it is padding to drop.
    frame[lame_at + kLameDelay + 1] &= 0xF0;
    frame[lame_at + kLameDelay + 2] = 0;
    putBigEndian(frame, lame_at + kLameMusicLength, stream.size(), 4);
    putBigEndian(frame, lame_at + kLameMusicCrc, lameCrc16(stream.subspan(frame.size())), 2);
    putBigEndian(frame, lame_at + kLameTagCrc, lameCrc16(frame.first(lame_at + kLameTagCrc)), 2);
}
