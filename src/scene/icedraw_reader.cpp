// SPDX-License-Identifier: MIT
// iCE Draw IDF: a header with the picture's corners, run-length coded cells, then an 8x16 font of
// 256 glyphs and 16 6-bit colours at the very end; always iCE colours.
#include <string>
#include <vector>

#include "scene/binary_readers.h"
#include "scene/scene_error.h"
#include "scene/stored_cells.h"

namespace {

constexpr std::size_t kHeaderSize = 12;
constexpr std::size_t kFontSize = 4096;
constexpr std::size_t kPaletteSize = 48;

}  // namespace

ScenePiece readIceDraw(std::span<const std::uint8_t> art, const SauceSplit& split, const SceneOptions& options)
{
    const std::span<const std::uint8_t> bytes = artBytes(art, split);
    if (bytes.size() < kHeaderSize) throw SceneError("IDF header is cut short");
    if (bytes.size() < kHeaderSize + kFontSize + kPaletteSize) throw SceneError("IDF font and palette are cut short");
    // The right edge is the last column; the left edge and the rows are not used by the scene's
    // viewers, which lay the cells out from the first column and as many rows as they fill.
    const std::size_t columns = std::size_t{little16(&bytes[8])} + 1;
    const std::span<const std::uint8_t> data =
        bytes.subspan(kHeaderSize, bytes.size() - kHeaderSize - kFontSize - kPaletteSize);
    const std::uint8_t* font_bytes = bytes.data() + bytes.size() - kFontSize - kPaletteSize;
    const std::uint8_t* palette_bytes = bytes.data() + bytes.size() - kPaletteSize;

    // Code 0x01 starts a run, whatever its attribute: a count, then the pair repeated. The count is
    // a 16-bit word of which the scene's viewers read the low byte alone, and so the pieces are
    // drawn as they were seen.
    std::vector<std::uint8_t> pairs;
    for (std::size_t at = 0; at + 1 < data.size();) {
        std::size_t repeat = 1;
        if (data[at] == 0x01) {
            if (data.size() - at < 6) throw SceneError("IDF run goes past the end of the cells");
            repeat = data[at + 2];
            at += 4;
        }
        if (pairs.size() / 2 + repeat > kMaxStoredCells) throw SceneError("IDF piece is too large");
        for (std::size_t i = 0; i < repeat; ++i) pairs.insert(pairs.end(), {data[at], data[at + 1]});
        at += 2;
    }

    ScenePiece piece = pieceWithSauce(SceneFormat::icedraw, split);
    // 8 pixels a cell unless the person asks: the scene's viewers draw these formats so whatever SAUCE says.
    piece.letter_spacing = options.letter_spacing.value_or(8) == 9 ? 9 : 8;
    piece.ice_colours = true;
    const std::size_t count = pairs.size() / 2;
    piece.picture = blankPicture("IDF", columns, rowsFor(count, columns));
    for (std::size_t i = 0; i < 16; ++i) piece.picture.palette[i] = sixBitColour(palette_bytes + 3 * i);
    CellFont font;
    font.rows.assign(font_bytes, font_bytes + kFontSize);
    piece.font = std::move(font);
    for (std::size_t i = 0; i < count; ++i) piece.picture.cells[i] = storedCell(pairs[2 * i], pairs[2 * i + 1], true);
    return piece;
}
