// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

// What a file of the player's seems to be from its name and size alone (the rule `kvq info`
// states in its help): a name ending in .kvq is frames; otherwise exactly 8192 bytes, or the
// name 'test', is a font; a whole number of 2400-byte frames is frames; anything else is unknown.
enum class LikelyKind { frames, font, unknown };

LikelyKind likelyKind(const std::string& path, std::uint64_t size_bytes);
