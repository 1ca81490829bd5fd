// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "content/glyph_table.h"

// What the player reads of a font file: its first 8192 bytes, fewer where the file is shorter.
// Throws a ToolError naming the file when it cannot be read.
std::vector<std::uint8_t> readFontFileBytes(const std::string& path);

// The glyph table the player builds from that font file.
GlyphTable loadFontFile(const std::string& path);
