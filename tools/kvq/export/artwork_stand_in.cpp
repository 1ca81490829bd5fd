// SPDX-License-Identifier: MIT
// Stand-ins for the readers and the art opener until they land: nothing is taken for a piece, and
// opening one says so. drawArtworkFrame draws as its contract says, so that export can be tested.
#include "kvq/common/tool_error.h"
#include "kvq/files/artwork.h"
#include "render/cell_drawing.h"

std::optional<SceneFormat> recogniseScene(std::span<const std::uint8_t>, const std::string&) { return std::nullopt; }

std::unique_ptr<Artwork> openArtwork(const std::string& path, const ArtworkOptions&)
{
    throw ToolError(path + ": pieces of the scene's art cannot be opened yet");
}

bool drawArtworkFrame(Artwork& artwork, std::uint64_t frame, bool blink_lit, std::vector<std::uint32_t>& pixels)
{
    const CellPicture* picture = artwork.cells(frame);
    if (!picture) return false;
    CellLayout layout;
    layout.letter_spacing = artwork.letterSpacing();
    layout.blink_lit = blink_lit;
    const int width = pictureWidthPixels(*picture, layout);
    const int height = pictureHeightPixels(*picture, artwork.font(), layout);
    pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    drawCells(*picture, artwork.font(), layout,
              RenderTarget{reinterpret_cast<std::uint8_t*>(pixels.data()), std::ptrdiff_t{width} * 4});
    return true;
}
