// SPDX-License-Identifier: MIT
// XBIN: a header with the picture's size, then, as its flags say, a palette of 16 6-bit colours, a
// font of 256 or 512 glyphs 1-32 rows high, and the cells, plain or run-length compressed.
#include <algorithm>
#include <cstring>
#include <string>

#include "scene/binary_readers.h"
#include "scene/scene_error.h"
#include "scene/stored_cells.h"

namespace {

constexpr std::size_t kHeaderSize = 11;
constexpr std::size_t kPaletteSize = 48;
constexpr std::uint8_t kHasPalette = 0x01, kHasFont = 0x02, kCompressed = 0x04, kNonBlink = 0x08, kFiveTwelve = 0x10;
// What the scene's viewers draw an XBIN without a font of its own and with 8-row cells in.
constexpr const char* kEightRowFont = "IBM VGA50";

// Reads the cells' bytes as pairs into `pairs` (code, attribute), undoing the compression: each run
// starts with a byte whose top two bits say what repeats (nothing, the code, the attribute, both)
// and whose low six bits are the run's length less one.
std::size_t unpackRuns(std::span<const std::uint8_t> data, std::span<std::uint8_t> pairs)
{
    const std::size_t cells = pairs.size() / 2;
    std::size_t at = 0, cell = 0;
    while (at < data.size() && cell < cells) {
        const unsigned kind = data[at] >> 6;
        const std::size_t length = (data[at] & 0x3Fu) + 1;
        ++at;
        const std::size_t needed = kind == 0 ? 2 * length : kind == 3 ? 2 : 1 + length;
        // Archives hold many XBINs cut short or packed one run too long: what arrived is shown, as
        // the scene's viewers show it, a run past the picture's end cut there.
        const std::size_t left = data.size() - at;
        const std::size_t arrived = kind == 0   ? left / 2
                                    : kind == 3 ? (left >= 2 ? length : 0)
                                                : (left >= 1 ? left - 1 : 0);
        const std::size_t kept = std::min({length, arrived, cells - cell});
        for (std::size_t i = 0; i < kept; ++i, ++cell) {
            switch (kind) {
            case 0:
                pairs[2 * cell] = data[at + 2 * i], pairs[2 * cell + 1] = data[at + 2 * i + 1];
                break;
            case 1:
                pairs[2 * cell] = data[at], pairs[2 * cell + 1] = data[at + 1 + i];
                break;
            case 2:
                pairs[2 * cell] = data[at + 1 + i], pairs[2 * cell + 1] = data[at];
                break;
            default:
                pairs[2 * cell] = data[at], pairs[2 * cell + 1] = data[at + 1];
                break;
            }
        }
        if (needed > left) break;
        at += needed;
    }
    return cell;
}

}  // namespace

ScenePiece readXbin(std::span<const std::uint8_t> art, const SauceSplit& split, const SceneOptions& options)
{
    const std::span<const std::uint8_t> bytes = artBytes(art, split);
    if (bytes.size() < kHeaderSize || std::memcmp(bytes.data(), "XBIN\x1A", 5) != 0)
        throw SceneError("XBIN header is cut short");
    const std::size_t columns = little16(&bytes[5]);
    const std::size_t rows = little16(&bytes[7]);
    const int font_height = bytes[9];
    const std::uint8_t flags = bytes[10];
    std::size_t at = kHeaderSize;

    ScenePiece piece = pieceWithSauce(SceneFormat::xbin, split);
    // 8 pixels a cell unless the person asks: the scene's viewers draw these formats so whatever SAUCE says.
    piece.letter_spacing = options.letter_spacing.value_or(8) == 9 ? 9 : 8;
    piece.ice_colours = options.ice_colours.value_or((flags & kNonBlink) != 0);
    piece.picture = blankPicture("XBIN", columns, rows);

    if (flags & kHasPalette) {
        if (bytes.size() - at < kPaletteSize) throw SceneError("XBIN palette is cut short");
        for (std::size_t i = 0; i < 16; ++i) piece.picture.palette[i] = sixBitColour(&bytes[at + 3 * i]);
        at += kPaletteSize;
    }
    const bool five_twelve = (flags & kHasFont) && (flags & kFiveTwelve);
    if (flags & kHasFont) {
        if (font_height < 1 || font_height > CellFont::kMaxHeight)
            throw SceneError("XBIN font is " + std::to_string(font_height) + " rows high (1-32 can be read)");
        CellFont font;
        font.height = font_height;
        font.glyph_count = five_twelve ? 512 : 256;
        const std::size_t size = static_cast<std::size_t>(font.glyph_count) * font_height;
        if (bytes.size() - at < size) throw SceneError("XBIN font is cut short");
        font.rows.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                         bytes.begin() + static_cast<std::ptrdiff_t>(at + size));
        at += size;
        piece.font = std::move(font);
    } else if (font_height == 8) {
        piece.font_name = kEightRowFont;
    }

    // Cells the file leaves out stay blank, as a screen never drawn on.
    std::vector<std::uint8_t> pairs(2 * columns * rows, 0);
    const std::span<const std::uint8_t> data = bytes.subspan(at);
    std::size_t cells = 0;
    if (flags & kCompressed) {
        cells = unpackRuns(data, pairs);
    } else {
        cells = std::min(data.size() / 2, columns * rows);
        std::memcpy(pairs.data(), data.data(), 2 * cells);
    }
    for (std::size_t i = 0; i < cells; ++i) {
        Cell cell = storedCell(pairs[2 * i], pairs[2 * i + 1], piece.ice_colours);
        // With 512 glyphs the foreground's bright bit picks the second 256, leaving eight colours.
        if (five_twelve && (cell.foreground & 0x08)) cell.code += 256;
        if (five_twelve) cell.foreground &= 0x07;
        piece.picture.cells[i] = cell;
    }
    return piece;
}
