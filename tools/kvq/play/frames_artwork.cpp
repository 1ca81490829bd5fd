// SPDX-License-Identifier: MIT
#include "kvq/play/frames_artwork.h"

#include "render/colours.h"

namespace {

constexpr std::uint16_t kPaper = 0;
constexpr std::uint16_t kInk = 1;

}  // namespace

FramesArtwork::FramesArtwork(FrameSource& frames, const GlyphTable& glyphs) : frames_(frames)
{
    font_.height = TextFrame::kCellHeightPixels;
    font_.glyph_count = GlyphTable::kGlyphCount;
    font_.rows.resize(static_cast<std::size_t>(GlyphTable::kGlyphCount) * TextFrame::kCellHeightPixels);
    for (int code = 0; code < GlyphTable::kGlyphCount; ++code) {
        const Glyph& glyph = glyphs[code];
        std::copy(glyph.begin(), glyph.end(), font_.rows.begin() + code * TextFrame::kCellHeightPixels);
    }
    picture_.columns = TextFrame::kColumns;
    picture_.rows = TextFrame::kRows;
    picture_.palette = {kPaperColour, kInkColour};
    picture_.cells.assign(TextFrame::kCells, Cell{0, kInk, kPaper, 0});
}

const CellPicture* FramesArtwork::cells(std::uint64_t frame)
{
    const TextFrame* text = frames_.frame(static_cast<std::size_t>(frame));
    if (!text) return nullptr;
    for (std::size_t i = 0; i < text->cells.size(); ++i) picture_.cells[i].code = text->cells[i];
    return &picture_;
}
