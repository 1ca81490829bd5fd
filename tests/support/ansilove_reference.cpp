// SPDX-License-Identifier: MIT
#include "support/ansilove_reference.h"

#include <png.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "support/test_files.h"

namespace {

constexpr const char* kProgram = "/usr/bin/ansilove";

ReferencePicture readPng(const std::string& path)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        throw std::runtime_error("ansilove wrote no readable PNG: " + path);
    image.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) {
        png_image_free(&image);
        throw std::runtime_error("ansilove's PNG cannot be read: " + path);
    }
    ReferencePicture picture{static_cast<int>(image.width), static_cast<int>(image.height), {}};
    picture.pixels.resize(static_cast<std::size_t>(picture.width) * picture.height);
    for (std::size_t i = 0; i < picture.pixels.size(); ++i)
        picture.pixels[i] = static_cast<std::uint32_t>(rgb[3 * i]) << 16 | rgb[3 * i + 1] << 8 | rgb[3 * i + 2];
    return picture;
}

}  // namespace

bool ansiloveInstalled() { return access(kProgram, X_OK) == 0; }

ReferencePicture ansiloveRender(const std::string& path, const AnsiloveOptions& options)
{
    // The tests' own paths and ansilove's examples hold no single quote.
    TempDir scratch;
    const std::string out = scratch.file("out.png");
    std::string command = std::string(kProgram) + " -q -o '" + out + "'";
    if (options.columns > 0) command += " -c " + std::to_string(options.columns);
    if (options.ice) command += " -i";
    if (options.bits != 8) command += " -b " + std::to_string(options.bits);
    if (!options.font.empty()) command += " -f " + options.font;
    if (!options.type.empty()) command += " -t " + options.type;
    if (std::system((command + " '" + path + "' >/dev/null 2>&1").c_str()) != 0)
        throw std::runtime_error("ansilove failed on " + path);
    return readPng(out);
}

CellFont ansiloveFont(int height)
{
    constexpr int kColumns = 16;
    TempDir scratch;
    std::vector<std::uint8_t> codes;
    for (int code = 0; code < 256; ++code) codes.insert(codes.end(), {std::uint8_t(code), 0x0F});  // white on black
    AnsiloveOptions options;
    options.columns = kColumns;
    options.type = "bin";
    options.font = height == 8 ? "80x50" : "80x25";
    const ReferencePicture picture = ansiloveRender(scratch.write("codes.bin", codes), options);
    if (picture.width != kColumns * 8 || picture.height < 256 / kColumns * height)
        throw std::runtime_error("ansilove's font render has an unexpected size");
    CellFont font;
    font.height = height;
    font.rows.assign(static_cast<std::size_t>(256) * height, 0);
    for (int code = 0; code < 256; ++code)
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < 8; ++x) {
                const int px = code % kColumns * 8 + x, py = code / kColumns * height + y;
                if (picture.pixels[static_cast<std::size_t>(py) * picture.width + px] == 0xFFFFFF)
                    font.rows[static_cast<std::size_t>(code) * height + y] |= static_cast<std::uint8_t>(0x80 >> x);
            }
    return font;
}

ReferencePicture drawnPicture(const CellPicture& picture, const CellFont& font, int letter_spacing)
{
    CellLayout layout;
    layout.letter_spacing = letter_spacing;
    ReferencePicture drawn{pictureWidthPixels(picture, layout), pictureHeightPixels(picture, font, layout), {}};
    drawn.pixels.assign(static_cast<std::size_t>(drawn.width) * drawn.height, 0xDEADBE);
    drawCells(picture, font, layout,
              RenderTarget{reinterpret_cast<std::uint8_t*>(drawn.pixels.data()), std::ptrdiff_t{drawn.width} * 4});
    return drawn;
}

::testing::AssertionResult samePixels(const ReferencePicture& ours, const ReferencePicture& theirs, int cell_width,
                                      int cell_height, int rows_beyond)
{
    if (ours.width != theirs.width || ours.height != theirs.height + rows_beyond)
        return ::testing::AssertionFailure() << "size " << ours.width << "x" << ours.height << ", ansilove's "
                                             << theirs.width << "x" << theirs.height << " and " << rows_beyond;
    for (std::size_t i = 0; i < ours.pixels.size(); ++i) {
        const std::uint32_t wanted = i < theirs.pixels.size() ? theirs.pixels[i] : 0;
        if (ours.pixels[i] != wanted) {
            const int x = static_cast<int>(i % static_cast<std::size_t>(ours.width));
            const int y = static_cast<int>(i / static_cast<std::size_t>(ours.width));
            return ::testing::AssertionFailure()
                   << "pixel (" << x << "," << y << ") in cell row " << y / cell_height << " column " << x / cell_width
                   << ": ours " << std::hex << ours.pixels[i] << ", wanted " << wanted;
        }
    }
    return ::testing::AssertionSuccess();
}
