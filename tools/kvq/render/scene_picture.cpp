// SPDX-License-Identifier: MIT
#include "kvq/render/scene_picture.h"

#include <algorithm>
#include <unordered_map>

#include "kvq/common/tool_error.h"
#include "kvq/files/indexed_png.h"
#include "kvq/files/png_file.h"
#include "render/cell_drawing.h"

namespace {

// Cell rows drawn at a time: a band of pixels that stays in the cache while it is narrowed.
constexpr int kBandRows = 8;

// The picture with its cells' colours renumbered by the distinct colours they use, each colour
// standing for its own number, so that drawing it gives every pixel's index; `colours` gets what
// each number means. False where more than 256 colours are used.
bool indexedCopy(const CellPicture& picture, CellPicture& indexed, std::vector<std::uint32_t>& colours)
{
    std::vector<int> number_of(picture.palette.size() + 1, -1);
    std::unordered_map<std::uint32_t, int> number_of_colour;
    const auto renumber = [&](std::uint16_t& index) {
        // An index past the palette is drawn black, as drawing does.
        const std::size_t slot = std::min<std::size_t>(index, picture.palette.size());
        if (number_of[slot] < 0) {
            const std::uint32_t colour = slot < picture.palette.size() ? picture.palette[slot] : 0;
            const auto [it, added] = number_of_colour.emplace(colour, static_cast<int>(colours.size()));
            if (added) colours.push_back(colour);
            number_of[slot] = it->second;
        }
        index = static_cast<std::uint16_t>(number_of[slot]);
    };
    indexed.columns = picture.columns;
    indexed.rows = picture.rows;
    indexed.cells = picture.cells;
    for (Cell& cell : indexed.cells) {
        renumber(cell.foreground);
        renumber(cell.background);
        if (colours.size() > 256) return false;
    }
    if (colours.empty()) colours.push_back(0);
    indexed.palette.resize(colours.size());
    for (std::size_t i = 0; i < colours.size(); ++i) indexed.palette[i] = static_cast<std::uint32_t>(i);
    return true;
}

}  // namespace

std::vector<std::uint8_t> scenePicturePng(const CellPicture& picture, const CellFont& font, int letter_spacing,
                                          const std::string& path)
{
    CellLayout layout;
    layout.letter_spacing = letter_spacing;
    const int width = pictureWidthPixels(picture, layout);
    const std::uint64_t height = static_cast<std::uint64_t>(picture.rows) * static_cast<std::uint64_t>(font.height);
    if (width <= 0 || height == 0) throw ToolError(path + ": the art holds no cells to draw");
    const std::uint64_t pixels = static_cast<std::uint64_t>(width) * height;
    const auto tooLarge = [&] {
        return ToolError(path + ": a picture of " + std::to_string(width) + "x" + std::to_string(height) +
                         " pixels is too large to draw");
    };
    if (pixels > kMostPicturePixels) throw tooLarge();

    CellPicture indexed;
    std::vector<std::uint32_t> colours;
    if (!indexedCopy(picture, indexed, colours)) {
        // Drawn whole, four bytes a pixel: only art of more than 256 colours comes here.
        if (pixels > kMostRgbPixels) throw tooLarge();
        std::vector<std::uint32_t> rgb(static_cast<std::size_t>(pixels));
        drawCells(picture, font, layout,
                  RenderTarget{reinterpret_cast<std::uint8_t*>(rgb.data()), static_cast<std::ptrdiff_t>(width) * 4});
        return encodeRgbPng(rgb, width, static_cast<int>(height));
    }
    IndexedPng png(width, static_cast<int>(height), colours);
    const std::size_t band_pixels = static_cast<std::size_t>(width) * font.height * kBandRows;
    std::vector<std::uint32_t> band(band_pixels);
    std::vector<std::uint8_t> indices(band_pixels);
    for (int first = 0; first < picture.rows; first += kBandRows) {
        layout.first_row = first;
        layout.row_count = std::min(kBandRows, picture.rows - first);
        drawCells(indexed, font, layout,
                  RenderTarget{reinterpret_cast<std::uint8_t*>(band.data()), static_cast<std::ptrdiff_t>(width) * 4});
        const std::size_t count = static_cast<std::size_t>(width) * font.height * layout.row_count;
        for (std::size_t i = 0; i < count; ++i) indices[i] = static_cast<std::uint8_t>(band[i]);
        png.addRows(std::span(indices).first(count));
    }
    return png.finish();
}
