// SPDX-License-Identifier: MIT
// BIN: VGA's text memory as it was, two bytes a cell (code, attribute), rows of a width the file
// does not store: SAUCE's (half of it in its file type, as the scene stores it), the person's, or
// 160 as the scene's viewers assume.
#include "scene/binary_readers.h"
#include "scene/stored_cells.h"

namespace {

constexpr int kDefaultColumns = 160;
constexpr std::uint8_t kBinaryTextType = 5;

std::size_t binColumns(const SauceSplit& split, const SceneOptions& options)
{
    if (options.columns) return *options.columns > 0 ? static_cast<std::size_t>(*options.columns) : 0;
    if (split.record && split.record->data_type == kBinaryTextType && split.record->file_type > 0)
        return std::size_t{split.record->file_type} * 2;
    return kDefaultColumns;
}

}  // namespace

ScenePiece readBin(std::span<const std::uint8_t> art, const SauceSplit& split, const SceneOptions& options)
{
    const std::span<const std::uint8_t> bytes = artBytes(art, split);
    ScenePiece piece = pieceWithSauce(SceneFormat::bin, split);
    piece.letter_spacing = chosenLetterSpacing(split, options);
    piece.ice_colours = chosenIceColours(split, options);

    // An odd last byte is half a cell: a stray end-of-file mark, not art.
    const std::size_t cells = bytes.size() / 2;
    const std::size_t columns = binColumns(split, options);
    piece.picture = blankPicture("BIN", columns, rowsFor(cells, columns));
    for (std::size_t i = 0; i < cells; ++i)
        piece.picture.cells[i] = storedCell(bytes[2 * i], bytes[2 * i + 1], piece.ice_colours);
    return piece;
}
