// SPDX-License-Identifier: MIT
// ArtWorx ADF: a version byte, the EGA's 64-colour palette (6-bit values), an 8x16 font of 256
// glyphs, then 80-column cells as BIN stores them, always with iCE colours.
#include "scene/binary_readers.h"
#include "scene/scene_error.h"
#include "scene/stored_cells.h"

namespace {

constexpr std::size_t kPaletteSize = 192;
constexpr std::size_t kFontSize = 4096;
constexpr std::size_t kColumns = 80;
// The palette's entries that the text mode's 16 colours are, as the EGA's attribute registers
// map them by default (brown is entry 20, the bright colours 56-63).
constexpr std::uint8_t kTextColourEntries[16] = {0, 1, 2, 3, 4, 5, 20, 7, 56, 57, 58, 59, 60, 61, 62, 63};

}  // namespace

ScenePiece readArtworx(std::span<const std::uint8_t> art, const SauceSplit& split, const SceneOptions& options)
{
    const std::span<const std::uint8_t> bytes = artBytes(art, split);
    if (bytes.size() < 1 + kPaletteSize) throw SceneError("ADF palette is cut short");
    if (bytes.size() < 1 + kPaletteSize + kFontSize) throw SceneError("ADF font is cut short");
    const std::span<const std::uint8_t> cells = bytes.subspan(1 + kPaletteSize + kFontSize);

    ScenePiece piece = pieceWithSauce(SceneFormat::artworx, split);
    // 8 pixels a cell unless the person asks: the scene's viewers draw these formats so whatever SAUCE says.
    piece.letter_spacing = options.letter_spacing.value_or(8) == 9 ? 9 : 8;
    piece.ice_colours = true;
    const std::size_t count = cells.size() / 2;
    piece.picture = blankPicture("ADF", kColumns, rowsFor(count, kColumns));
    for (std::size_t i = 0; i < 16; ++i) piece.picture.palette[i] = sixBitColour(&bytes[1 + 3 * kTextColourEntries[i]]);
    CellFont font;
    font.rows.assign(bytes.begin() + 1 + kPaletteSize, bytes.begin() + 1 + kPaletteSize + kFontSize);
    piece.font = std::move(font);
    for (std::size_t i = 0; i < count; ++i) piece.picture.cells[i] = storedCell(cells[2 * i], cells[2 * i + 1], true);
    return piece;
}
