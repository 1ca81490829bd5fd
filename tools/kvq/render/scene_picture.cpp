// SPDX-License-Identifier: MIT
#include "kvq/render/scene_picture.h"

#include <algorithm>
#include <numeric>

#include "kvq/common/tool_error.h"
#include "kvq/files/png_file.h"
#include "render/cell_drawing.h"

namespace {

// Cell rows drawn at a time: a band of pixels that stays in the cache while it is narrowed.
constexpr int kBandRows = 8;

}  // namespace

std::vector<std::uint8_t> scenePicturePng(const CellPicture& picture, const CellFont& font, int letter_spacing,
                                          const std::string& path)
{
    CellLayout layout;
    layout.letter_spacing = letter_spacing;
    const int width = pictureWidthPixels(picture, layout);
    const std::uint64_t height = static_cast<std::uint64_t>(picture.rows) * static_cast<std::uint64_t>(font.height);
    if (width <= 0 || height == 0) throw ToolError(path + ": the art holds no cells to draw");
    if (static_cast<std::uint64_t>(width) * height > kMostPicturePixels) {
        throw ToolError(path + ": a picture of " + std::to_string(width) + "x" + std::to_string(height) +
                        " pixels is too large to draw");
    }
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (picture.palette.size() > 256) {
        std::vector<std::uint32_t> rgb(pixels);
        drawCells(picture, font, layout,
                  RenderTarget{reinterpret_cast<std::uint8_t*>(rgb.data()), static_cast<std::ptrdiff_t>(width) * 4});
        return encodeRgbPng(rgb, width, static_cast<int>(height));
    }
    // Drawn with each colour standing for its own index, then narrowed to a byte a pixel.
    CellPicture indexed_picture;
    indexed_picture.columns = picture.columns;
    indexed_picture.rows = picture.rows;
    indexed_picture.palette.resize(picture.palette.size());
    std::iota(indexed_picture.palette.begin(), indexed_picture.palette.end(), 0u);
    // The cells are borrowed for the drawing only; copying them is the price of keeping drawing
    // blind to what a colour means.
    indexed_picture.cells = picture.cells;
    std::vector<std::uint8_t> indices(pixels);
    const std::size_t band_pixels = static_cast<std::size_t>(width) * font.height * kBandRows;
    std::vector<std::uint32_t> band(band_pixels);
    for (int first = 0; first < picture.rows; first += kBandRows) {
        layout.first_row = first;
        layout.row_count = std::min(kBandRows, picture.rows - first);
        drawCells(indexed_picture, font, layout,
                  RenderTarget{reinterpret_cast<std::uint8_t*>(band.data()), static_cast<std::ptrdiff_t>(width) * 4});
        const std::size_t count = static_cast<std::size_t>(width) * font.height * layout.row_count;
        std::uint8_t* out = indices.data() + static_cast<std::size_t>(first) * width * font.height;
        for (std::size_t i = 0; i < count; ++i) out[i] = static_cast<std::uint8_t>(band[i]);
    }
    return encodeIndexedPng(indices, width, static_cast<int>(height), picture.palette);
}
