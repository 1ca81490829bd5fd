// SPDX-License-Identifier: MIT
// One reader of the scene's formats, given the art before any SAUCE record and options the input
// chooses; what it returns must be a picture that can be drawn.
#pragma once

#include <cstdint>

#include "fuzz_input.h"
#include "scene/cell_picture.h"
#include "scene/scene_error.h"
#include "scene/scene_piece.h"

// Options as the commands pass them: none, or overrides of SAUCE's. Bits 0x20 and up are the
// targets' own.
inline SceneOptions fuzzedSceneOptions(FuzzInput& input)
{
    const std::uint8_t choice = input.byte();
    SceneOptions options;
    if (choice & 0x01) options.columns = 1 + input.word() % 4096;
    if (choice & 0x02) options.ice_colours = (choice & 0x04) != 0;
    if (choice & 0x08) options.letter_spacing = (choice & 0x10) ? 9 : 8;
    return options;
}

// A picture whose every cell and colour is where a drawing would look for it.
inline void checkScenePiece(const ScenePiece& piece)
{
    const CellPicture& picture = piece.picture;
    const bool sized = picture.columns > 0 && picture.rows > 0 &&
                       picture.cells.size() == static_cast<std::size_t>(picture.columns) * picture.rows;
    if (!sized || (piece.letter_spacing != 8 && piece.letter_spacing != 9)) __builtin_trap();
    const std::size_t glyphs = piece.font ? static_cast<std::size_t>(piece.font->glyph_count) : 256;
    if (piece.font && piece.font->rows.size() != glyphs * piece.font->height) __builtin_trap();
    for (const Cell& cell : picture.cells)
        if (cell.code >= glyphs || cell.foreground >= picture.palette.size() ||
            cell.background >= picture.palette.size())
            __builtin_trap();
}

template <typename Reader>
int fuzzSceneReader(const std::uint8_t* data, std::size_t size, Reader read)
{
    FuzzInput input(data, size);
    const SceneOptions options = fuzzedSceneOptions(input);
    const std::span<const std::uint8_t> file = input.rest();
    const SauceSplit split = splitSauce(file);
    try {
        checkScenePiece(read(file.first(split.art_size), split, options));
    } catch (const SceneError&) {
    }
    return 0;
}
