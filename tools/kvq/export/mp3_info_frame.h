// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "kvq/export/mp3_frame_header.h"

// The frame an encoder puts first in place of audio to describe the whole stream: a Xing header
// ("Xing" or "Info": frame and byte counts and a table of contents for seeking, often followed by
// a LAME tag with the encoder's delay and padding) or a VBRI header. Decoders trust it for the
// length, so a stream cut short must not keep it as it was.
struct Mp3InfoFrame {
    enum class Kind { none, xing, vbri };
    Kind kind = Kind::none;
    // Samples the encoder put before the music and after it, from a LAME tag; 0 without one.
    int encoder_delay = 0;
    int end_padding = 0;
};

Mp3InfoFrame readMp3InfoFrame(std::span<const std::uint8_t> frame, const Mp3FrameHeader& header);

// Makes the Xing frame that starts `stream` (its header is `header`) describe that stream: its
// audio frames begin at `frame_offsets`, counted from the stream's start; nothing is padded at its
// end any more; the LAME tag's length and checksums are made again.
void rewriteXingFrame(std::span<std::uint8_t> stream, const Mp3FrameHeader& header,
                      std::span<const std::uint64_t> frame_offsets);

// The CRC-16 (polynomial 0x8005, reflected, from 0) that LAME tags keep of themselves and of the music.
std::uint16_t lameCrc16(std::span<const std::uint8_t> bytes, std::uint16_t crc = 0);
