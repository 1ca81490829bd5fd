// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "content/glyph_table.h"
#include "content/text_frame.h"
#include "kvq/encode/tone_levels.h"

// How close a frame, drawn as the player draws it, comes to the picture it was encoded from.
struct FrameFigures {
    double psnr = 0;          // dB, per pixel, against the picture as it is
    double blurred_psnr = 0;  // dB, both blurred (Gaussian, sigma 3 px), the picture mapped by the levels
    double ssim = 0;          // both box-averaged to 1/8 (80x60), the picture mapped; 7x7 windows
    double flicker = 0;       // the share of cells whose code differs from the previous frame's
};

// `previous` is null for the first frame, whose flicker is not counted.
FrameFigures measureFrame(const TextFrame& frame, const TextFrame* previous, const GlyphTable& glyphs,
                          const std::uint8_t* luminance, const ToneLevels& levels);

// Means over the frames, flicker over the frames that had one before them.
class FigureTotals {
public:
    void add(const FrameFigures& figures, bool has_previous);
    FrameFigures mean() const;
    std::uint64_t frames() const { return frames_; }

private:
    FrameFigures sum_;
    std::uint64_t frames_ = 0;
    std::uint64_t changes_counted_ = 0;
};
