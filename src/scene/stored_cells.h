// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "scene/binary_readers.h"
#include "scene/cell_picture.h"
#include "scene/picture_limits.h"
#include "scene/scene_piece.h"

// What the formats that store cells as they are (a code byte and an attribute byte, as VGA's text
// memory holds them) share: the bounds of a picture, the attribute byte read as colours, VGA's 6-bit
// palettes, and a piece begun from its SAUCE.

inline constexpr std::size_t kMaxStoredCells = kMaxPictureCells;

// The art's own bytes: before the SAUCE record where there is one.
std::span<const std::uint8_t> artBytes(std::span<const std::uint8_t> art, const SauceSplit& split);

std::uint16_t little16(const std::uint8_t* bytes);
std::uint32_t big32(const std::uint8_t* bytes);

// A picture of blank cells; throws SceneError naming `format` when it would be empty or too large.
CellPicture blankPicture(const char* format, std::size_t columns, std::size_t rows);

// The rows needed for `cells` cells at `columns` a row, a last partial row included.
std::size_t rowsFor(std::size_t cells, std::size_t columns);

// An attribute byte's colours: the low nibble is the foreground; the high nibble the background,
// whose top bit is a bright background under iCE colours and otherwise makes the cell blink on
// one of the eight dim backgrounds, as VGA's blink mode does.
Cell storedCell(std::uint8_t code, std::uint8_t attribute, bool ice_colours);

// A 6-bit VGA DAC value (0-63) widened to 8 bits, its top bits repeated into the bottom so that 63
// is full brightness. A byte past 63 keeps its low eight bits of that, as the scene's viewers draw it.
std::uint8_t widenSixBit(std::uint8_t value);
std::uint32_t sixBitColour(const std::uint8_t* rgb);

// A piece of `format` with what its SAUCE says: the record and its font's name.
ScenePiece pieceWithSauce(SceneFormat format, const SauceSplit& split);

// What a piece whose format leaves them open asks for: the person's choice first, then SAUCE's.
int chosenLetterSpacing(const SauceSplit& split, const SceneOptions& options);
bool chosenIceColours(const SauceSplit& split, const SceneOptions& options);
