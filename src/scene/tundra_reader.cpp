// SPDX-License-Identifier: MIT
// TundraDraw: a header, then a stream of codes drawn left to right, wrapping at the width, with
// escape bytes that move the pen or set a 24-bit foreground, background or both for the code that
// follows. Every byte else, control codes too, is a glyph.
#include <cstring>
#include <unordered_map>
#include <vector>

#include "scene/binary_readers.h"
#include "scene/scene_error.h"
#include "scene/stored_cells.h"

namespace {

constexpr std::size_t kHeaderSize = 9;
constexpr std::size_t kDefaultColumns = 80;
constexpr std::uint8_t kPosition = 1, kForeground = 2, kBackground = 4, kBoth = 6;

// 24-bit colours as palette entries, each colour once.
class PaletteEntries {
public:
    explicit PaletteEntries(std::vector<std::uint32_t>& palette) : palette_(palette)
    {
        for (std::size_t i = 0; i < palette_.size(); ++i) index_.emplace(palette_[i], static_cast<std::uint16_t>(i));
    }
    std::uint16_t entryFor(std::uint32_t rgb)
    {
        const auto found = index_.find(rgb);
        if (found != index_.end()) return found->second;
        // A cell names its colour in 16 bits; a piece with more colours than that is not art.
        if (palette_.size() > 0xFFFF) throw SceneError("TundraDraw piece has more than 65536 colours");
        const auto entry = static_cast<std::uint16_t>(palette_.size());
        palette_.push_back(rgb);
        index_.emplace(rgb, entry);
        return entry;
    }

private:
    std::vector<std::uint32_t>& palette_;
    std::unordered_map<std::uint32_t, std::uint16_t> index_;
};

// The person's width, else SAUCE's (character art of TundraDraw's type says it in TInfo1), else 80.
std::size_t tundraColumns(const SauceSplit& split, const SceneOptions& options)
{
    if (options.columns) return static_cast<std::size_t>(std::max(*options.columns, 0));
    constexpr std::uint8_t kCharacter = 1, kTundraDraw = 8;
    constexpr std::uint16_t kWidestScreen = 4096;  // past it a SAUCE width is a lie
    if (split.record && split.record->data_type == kCharacter && split.record->file_type == kTundraDraw &&
        split.record->info1 > 0 && split.record->info1 <= kWidestScreen)
        return split.record->info1;
    return kDefaultColumns;
}

}  // namespace

ScenePiece readTundra(std::span<const std::uint8_t> art, const SauceSplit& split, const SceneOptions& options)
{
    const std::span<const std::uint8_t> bytes = artBytes(art, split);
    if (bytes.size() < kHeaderSize || bytes[0] != 24 || std::memcmp(&bytes[1], "TUNDRA24", 8) != 0)
        throw SceneError("TundraDraw header is cut short");
    const std::size_t columns = tundraColumns(split, options);
    if (columns == 0) throw SceneError("TundraDraw piece is 0 columns wide");

    ScenePiece piece = pieceWithSauce(SceneFormat::tundra, split);
    piece.letter_spacing = chosenLetterSpacing(split, options);
    CellPicture& picture = piece.picture;
    picture.columns = static_cast<int>(columns);
    PaletteEntries entries(picture.palette);

    // The cells are placed first and the picture laid out after, as only the stream says how tall
    // it is; each placed cell costs at least a byte of the file, a pen move none, so the cells kept
    // are bounded by the file's size and moves are bounded by the cells they could address.
    std::vector<std::pair<std::size_t, Cell>> placed;
    std::size_t position = 0;
    std::uint16_t foreground = 0, background = 0;
    std::size_t at = kHeaderSize;
    auto need = [&](std::size_t count) {
        if (bytes.size() - at < count) throw SceneError("TundraDraw escape is cut short at the end of the file");
    };
    while (at < bytes.size()) {
        const std::uint8_t byte = bytes[at++];
        if (byte == kPosition) {
            need(8);
            const std::uint64_t row = big32(&bytes[at]), column = big32(&bytes[at + 4]);
            at += 8;
            if (column >= columns || row >= kMaxStoredCells / columns)
                throw SceneError("TundraDraw moves to a cell outside the picture");
            position = static_cast<std::size_t>(row * columns + column);
            continue;
        }
        std::uint8_t code = byte;
        if (byte == kForeground || byte == kBackground || byte == kBoth) {
            need(byte == kBoth ? 9 : 5);
            code = bytes[at++];
            if (byte != kBackground) foreground = entries.entryFor(big32(&bytes[at]) & 0xFFFFFF), at += 4;
            if (byte != kForeground) background = entries.entryFor(big32(&bytes[at]) & 0xFFFFFF), at += 4;
            // A code that is itself an escape byte sets the colours and takes no cell: the scene's
            // viewers draw these pieces so.
            if (code == kPosition || code == kForeground || code == kBackground || code == kBoth) continue;
        }
        if (position >= kMaxStoredCells) throw SceneError("TundraDraw piece is too large");
        placed.emplace_back(position++, Cell{code, foreground, background, 0});
    }

    std::size_t extent = 0;
    for (const auto& [at_cell, cell] : placed) extent = std::max(extent, at_cell + 1);
    const std::vector<std::uint32_t> palette = std::move(picture.palette);
    picture = blankPicture("TundraDraw", columns, rowsFor(extent, columns));
    picture.palette = palette;
    for (const auto& [at_cell, cell] : placed) picture.cells[at_cell] = cell;
    return piece;
}
