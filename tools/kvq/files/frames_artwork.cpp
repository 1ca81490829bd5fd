// SPDX-License-Identifier: MIT
#include "kvq/files/frames_artwork.h"

#include "kvq/files/cell_font_file.h"
#include "render/colours.h"

namespace {

constexpr std::uint16_t kPaper = 0;
constexpr std::uint16_t kInk = 1;

}  // namespace

FramesArtwork::FramesArtwork(FrameSource& frames, const GlyphTable& glyphs) : frames_(frames), font_(cellFontOf(glyphs))
{
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
