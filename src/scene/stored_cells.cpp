// SPDX-License-Identifier: MIT
#include "scene/stored_cells.h"

#include <algorithm>
#include <string>

#include "scene/scene_error.h"

std::span<const std::uint8_t> artBytes(std::span<const std::uint8_t> art, const SauceSplit& split)
{
    if (!split.record) return art;
    return art.first(std::min(art.size(), split.art_size));
}

std::uint16_t little16(const std::uint8_t* bytes) { return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8); }

std::uint32_t big32(const std::uint8_t* bytes)
{
    return static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16 |
           static_cast<std::uint32_t>(bytes[2]) << 8 | static_cast<std::uint32_t>(bytes[3]);
}

std::size_t rowsFor(std::size_t cells, std::size_t columns)
{
    return columns == 0 ? 0 : (cells + columns - 1) / columns;
}

CellPicture blankPicture(const char* format, std::size_t columns, std::size_t rows)
{
    if (columns == 0) throw SceneError(std::string(format) + " piece is 0 columns wide");
    if (rows == 0) throw SceneError(std::string(format) + " piece has no cells");
    if (columns > kMaxStoredCells || rows > kMaxStoredCells / columns)
        throw SceneError(std::string(format) + " piece of " + std::to_string(columns) + "x" + std::to_string(rows) +
                         " cells is too large");
    CellPicture picture;
    picture.columns = static_cast<int>(columns);
    picture.rows = static_cast<int>(rows);
    // An unwritten cell is what a zero-filled text memory holds: code 0 in colour 0 on colour 0.
    picture.cells.assign(columns * rows, Cell{0, 0, 0, 0});
    return picture;
}

Cell storedCell(std::uint8_t code, std::uint8_t attribute, bool ice_colours)
{
    Cell cell;
    cell.code = code;
    cell.foreground = attribute & 0x0F;
    if (ice_colours) {
        cell.background = attribute >> 4;
    } else {
        cell.background = (attribute >> 4) & 0x07;
        if (attribute & 0x80) cell.flags = Cell::kBlinks;
    }
    return cell;
}

std::uint8_t widenSixBit(std::uint8_t value) { return static_cast<std::uint8_t>(value << 2 | value >> 4); }

std::uint32_t sixBitColour(const std::uint8_t* rgb)
{
    return static_cast<std::uint32_t>(widenSixBit(rgb[0])) << 16 |
           static_cast<std::uint32_t>(widenSixBit(rgb[1])) << 8 | widenSixBit(rgb[2]);
}

ScenePiece pieceWithSauce(SceneFormat format, const SauceSplit& split)
{
    ScenePiece piece;
    piece.format = format;
    piece.sauce = split.record;
    if (split.record) piece.font_name = split.record->font_name;
    return piece;
}

int chosenLetterSpacing(const SauceSplit& split, const SceneOptions& options)
{
    if (options.letter_spacing) return *options.letter_spacing == 9 ? 9 : 8;
    if (split.record && split.record->letterSpacing() == 9) return 9;
    return 8;
}

bool chosenIceColours(const SauceSplit& split, const SceneOptions& options)
{
    if (options.ice_colours) return *options.ice_colours;
    return split.record && split.record->iceColours();
}
