// SPDX-License-Identifier: MIT
#pragma once

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "kvq_cli.h"
#include "test_files.h"

// One run of the tool in-process: what a shell would see.
struct KvqRun {
    int status = -1;
    std::string out;
    std::string err;
};

inline KvqRun runKvqWith(const std::vector<std::string>& arguments)
{
    std::ostringstream out;
    std::ostringstream err;
    KvqRun run;
    run.status = runKvq(arguments, out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

inline std::vector<std::uint8_t> readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::vector<std::string> folderEntries(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

inline bool isOneLine(const std::string& text)
{
    return !text.empty() && text.back() == '\n' && std::count(text.begin(), text.end(), '\n') == 1;
}

inline void writeGzip(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    gzFile file = gzopen(path.c_str(), "wb9");
    gzwrite(file, bytes.data(), static_cast<unsigned>(bytes.size()));
    gzclose(file);
}

// Glyph rows that differ between glyphs and between rows, so a misplaced row shows.
inline std::uint8_t glyphRow(int glyph, int row, int height = 16)
{
    return static_cast<std::uint8_t>((glyph * 37 + row * 11 + height) ^ (glyph >> 3));
}

inline std::vector<std::uint8_t> psf1Font(int glyphs, int height)
{
    std::vector<std::uint8_t> font = {0x36, 0x04, static_cast<std::uint8_t>(glyphs == 512 ? 0x01 : 0x00),
                                      static_cast<std::uint8_t>(height)};
    for (int glyph = 0; glyph < glyphs; ++glyph) {
        for (int row = 0; row < height; ++row) font.push_back(glyphRow(glyph, row, height));
    }
    return font;
}

inline void appendLittleEndian32(std::vector<std::uint8_t>& bytes, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

// A PSF2 font; `header_size` above 32 pads the header, as later versions of the format may.
inline std::vector<std::uint8_t> psf2Font(std::uint32_t glyphs, std::uint32_t width, std::uint32_t height,
                                          std::uint32_t header_size = 32)
{
    const std::uint32_t row_bytes = (width + 7) / 8;
    std::vector<std::uint8_t> font = {0x72, 0xb5, 0x4a, 0x86};
    for (const std::uint32_t value : {0u, header_size, 0u, glyphs, row_bytes * height, height, width}) {
        appendLittleEndian32(font, value);
    }
    font.resize(header_size, 0xEE);
    for (std::uint32_t glyph = 0; glyph < glyphs; ++glyph) {
        for (std::uint32_t row = 0; row < height * row_bytes; ++row) {
            font.push_back(glyphRow(static_cast<int>(glyph), static_cast<int>(row), static_cast<int>(height)));
        }
    }
    return font;
}

// The font file expected from an 8x16 font of `glyphs` glyphs made by the builders above.
inline std::vector<std::uint8_t> expectedFontFile(int glyphs)
{
    std::vector<std::uint8_t> file(8192, 0);
    for (int glyph = 0; glyph < std::min(glyphs, 256); ++glyph) {
        for (int row = 0; row < 16; ++row) file[static_cast<std::size_t>(glyph * 32 + row)] = glyphRow(glyph, row);
    }
    return file;
}

struct DecodedPng {
    bool ok = false;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t file_format = 0;  // the PNG's own format, before any conversion
    std::vector<std::uint8_t> rgb;
};

inline DecodedPng decodePng(const std::string& path)
{
    DecodedPng decoded;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return decoded;
    decoded.width = image.width;
    decoded.height = image.height;
    decoded.file_format = image.format;
    image.format = PNG_FORMAT_RGB;
    decoded.rgb.resize(PNG_IMAGE_SIZE(image));
    decoded.ok = png_image_finish_read(&image, nullptr, decoded.rgb.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return decoded;
}
