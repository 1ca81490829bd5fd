// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

#include "content/glyph_table.h"
#include "content/text_frame.h"

// A frame as the player shows it, in memory of its own: 640x480 pixels of 0x00RRGGBB, row after
// row with no gap between rows. What the tools write out and what the tests compare against.
using PackedPicture = std::vector<std::uint32_t>;

inline constexpr int kPictureWidth = TextFrame::kWidthPixels;
inline constexpr int kPictureHeight = TextFrame::kHeightPixels;

// Reuses the picture's storage, so a loop over many frames allocates once.
void renderFrame(const TextFrame& frame, const GlyphTable& glyphs, PackedPicture& picture);
PackedPicture renderFrame(const TextFrame& frame, const GlyphTable& glyphs);
