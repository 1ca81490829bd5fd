// SPDX-License-Identifier: MIT
#pragma once

#include "content/glyph_table.h"
#include "kvq/files/artwork.h"
#include "kvq/files/frame_source.h"

// The player's own frames as art: each code drawn with its glyph (128-255 the inverses the table
// holds), ink on paper. The review takes them as the player does, the font and frames already
// read by the player's rules, so that they play here as they always have.
class FramesArtwork : public Artwork {
public:
    FramesArtwork(FrameSource& frames, const GlyphTable& glyphs);

    std::string description() const override { return "frame file"; }
    int widthPixels() const override { return TextFrame::kWidthPixels; }
    int heightPixels() const override { return TextFrame::kHeightPixels; }
    std::uint64_t frameCount() const override { return frames_.size(); }
    bool blinks() const override { return false; }
    const CellPicture* cells(std::uint64_t frame) override;
    const CellFont& font() const override { return font_; }
    int letterSpacing() const override { return 8; }

private:
    FrameSource& frames_;
    CellFont font_;
    CellPicture picture_;
};
