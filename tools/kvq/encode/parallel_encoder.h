// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "kvq/encode/cell_objective.h"
#include "kvq/encode/encode_figures.h"
#include "kvq/encode/glyph_matcher.h"
#include "kvq/encode/perceptual_matcher.h"
#include "kvq/encode/tone_levels.h"

enum class MatchMode { perceptual, pixel };

// Turns pictures into frames the one way the command line chose: `pixel`, the least squared
// error per pixel, frame by frame; `perceptual`, the CellObjective on the levels' targets, with
// a cell keeping the previous frame's code unless another is better by more than `hold`.
class FrameEncoder {
public:
    FrameEncoder(const GlyphTable& glyphs, MatchMode mode, const ToneLevels& levels, float hold);
    FrameEncoder(const FrameEncoder&) = delete;
    FrameEncoder& operator=(const FrameEncoder&) = delete;

    // Text rows [begin, end) of `frame`; `previous` is the frame before it, or null.
    void encodeRows(const std::uint8_t* luminance, const TextFrame* previous, TextFrame& frame, int begin,
                    int end) const;

    const GlyphTable& glyphs() const { return glyphs_; }
    const ToneLevels& levels() const { return levels_; }

private:
    GlyphTable glyphs_;
    MatchMode mode_;
    ToneLevels levels_;
    std::array<std::int16_t, 256> offsets_{};  // the levels as the perceptual matcher takes them
    float hold_;
    GlyphMatcher pixel_;
    CellObjective objective_;
    PerceptualMatcher perceptual_;
};

// Encodes a batch of consecutive pictures on `threads` threads, each taking a band of text rows
// through every picture in turn (a cell depends only on itself in the frame before), then
// measures the frames. `previous` is the frame before the batch, or null at the start.
void encodePictures(const FrameEncoder& encoder, std::span<const std::vector<std::uint8_t>> pictures,
                    const TextFrame* previous, std::span<TextFrame> frames, std::span<FrameFigures> figures,
                    int threads);
