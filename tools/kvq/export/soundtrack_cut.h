// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// An MP3 made no longer than an animation, without decoding it: the whole MPEG audio frames up to
// the first one that ends at or after `seconds` (the encoder's delay counted in), the ID3 tags
// left out, a Xing/Info frame rewritten to tell the new length and a VBRI frame (which would tell
// the old one) left out. A file no longer than `seconds` is kept as it is, byte for byte.
struct SoundtrackCut {
    std::vector<std::uint8_t> bytes;
    double seconds_before = 0;  // the file's length, as its frames tell it
    double seconds_after = 0;   // what is kept
    bool cut = false;
};

// Throws a ToolError naming the file when it cannot be read or holds no MPEG audio of layer III.
SoundtrackCut cutSoundtrack(const std::string& path, double seconds);

// "soundtrack cut from 3:20 to 0:40 (the animation's length)"; hours as 1:23:20.
std::string soundtrackCutLine(const SoundtrackCut& cut);
