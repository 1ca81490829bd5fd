// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// How many bytes at a file's start startsLikeMp3 looks at.
constexpr std::size_t kMp3SignatureBytes = 3;

// What the player's decoder takes for an MP3: an ID3 tag or an MPEG audio frame sync at the very
// start. A decoder left to itself would search any bytes for something like a frame, and play
// noise; so a file that starts otherwise (a WAV, random bytes, a text) is no soundtrack.
bool startsLikeMp3(std::span<const std::uint8_t> start);
