// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "kvq/encode/glyph_matcher.h"

// Encodes a batch of pictures on `threads` threads; frame i and its quality in dB come from
// picture i whatever the thread count.
void encodePictures(const GlyphMatcher& matcher, const GlyphTable& glyphs,
                    std::span<const std::vector<std::uint8_t>> pictures, std::span<TextFrame> frames,
                    std::span<double> quality_db, int threads);
