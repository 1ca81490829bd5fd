// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "content/frame_list.h"
#include "kvq/cli/run_kvq.h"
#include "render/packed_picture.h"
#include "support/frame_reference.h"
#include "support/test_files.h"

constexpr std::size_t kFrame = 2400;

struct KvqRun {
    int status = -1;
    std::string out, err;
};

inline KvqRun kvq(const std::vector<std::string>& arguments)
{
    std::ostringstream out, err;
    const int status = runKvq(arguments, out, err);
    return {status, out.str(), err.str()};
}

inline std::vector<std::uint8_t> readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::vector<std::string> folderEntries(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A refused command: the status, one line on standard error naming the cause, nothing on standard
// output, and the folder exactly as it was: no output, no temporary file.
inline void expectRefused(const std::filesystem::path& folder, const std::vector<std::string>& arguments,
                          const std::string& cause, int status = 1)
{
    const auto before = folderEntries(folder);
    const KvqRun run = kvq(arguments);
    EXPECT_EQ(run.status, status) << cause << ": " << run.err;
    EXPECT_TRUE(run.err.ends_with('\n') && std::count(run.err.begin(), run.err.end(), '\n') == 1) << run.err;
    EXPECT_NE(run.err.find(cause), std::string::npos) << "wanted '" << cause << "' in: " << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(folderEntries(folder), before) << cause;
}

inline GlyphTable glyphsOf(const std::vector<std::uint8_t>& font)
{
    GlyphTable glyphs;
    glyphs.fillFrom(font.data(), font.size());
    return glyphs;
}

// What the player shows of the frame file at `path`, worked out here from the file format alone,
// not by the player's loader and rasteriser, so that a fault in either shows in the tests that
// compare against it: the frames of `playersFrames`; each code an 8x16 cell from the font's first
// 16 bytes of its 32-byte slot, codes 128-255 the inverse of 0-127, a set bit ink.
inline std::vector<PackedPicture> playersPictures(const std::string& path, const std::vector<std::uint8_t>& font)
{
    const auto frames = playersFrames(readBytes(path));
    const auto fontRow = [&](int code, int row) -> std::uint8_t {
        const std::size_t at = static_cast<std::size_t>((code & 127) * 32 + row);
        const std::uint8_t bits = at < font.size() ? font[at] : 0;
        return code < 128 ? bits : static_cast<std::uint8_t>(~bits);
    };
    std::vector<PackedPicture> pictures;
    for (const auto& frame : frames) {
        PackedPicture picture(640 * 480);
        for (int y = 0; y < 480; ++y) {
            for (int x = 0; x < 640; ++x) {
                const int code = frame[static_cast<std::size_t>(y / 16 * 80 + x / 8)];
                const bool ink = (fontRow(code, y % 16) >> (7 - x % 8)) & 1;
                picture[static_cast<std::size_t>(y * 640 + x)] = ink ? 0x171410u : 0xE8CCA0u;
            }
        }
        pictures.push_back(std::move(picture));
    }
    return pictures;
}

// The pictures' 8-bit R, G, B bytes one after another, the way decoders hand them back.
inline std::string rgbBytes(const std::vector<PackedPicture>& pictures)
{
    std::string rgb;
    for (const PackedPicture& picture : pictures) {
        for (const std::uint32_t pixel : picture) rgb.append({char(pixel >> 16), char(pixel >> 8), char(pixel)});
    }
    return rgb;
}

// Rows that differ between glyphs and between rows, so that a misplaced row shows.
inline std::uint8_t glyphRow(std::uint32_t glyph, std::uint32_t row)
{
    return std::uint8_t((glyph * 37 + row * 11) ^ (glyph >> 3));
}

// A PSF1 (`version` 1) or PSF2 font; a PSF2 `header` above 32 bytes pads it, as later versions may.
inline std::vector<std::uint8_t> psf(int version, std::uint32_t glyphs, std::uint32_t width = 8,
                                     std::uint32_t height = 16, std::uint32_t header = 32)
{
    std::vector<std::uint8_t> font = {0x72, 0xb5, 0x4a, 0x86};
    const std::uint32_t glyph_bytes = (width + 7) / 8 * height;
    if (version == 1) font = {0x36, 0x04, static_cast<std::uint8_t>(glyphs == 512), static_cast<std::uint8_t>(height)};
    for (const std::uint32_t value : {0u, header, 0u, glyphs, glyph_bytes, height, width}) {
        for (int shift = 0; version == 2 && shift < 32; shift += 8)
            font.push_back(static_cast<std::uint8_t>(value >> shift));
    }
    if (version == 2) font.resize(header, 0xEE);
    for (std::uint32_t at = 0; at < glyphs * glyph_bytes; ++at)
        font.push_back(glyphRow(at / glyph_bytes, at % glyph_bytes));
    return font;
}

// The player's font file of the first 256 such glyphs, zeros after each glyph and past the last.
inline std::vector<std::uint8_t> fontFile(std::uint32_t glyphs)
{
    std::vector<std::uint8_t> file(8192, 0);
    for (std::uint32_t at = 0; at < std::min(glyphs, 256u) * 16; ++at)
        file[at / 16 * 32 + at % 16] = glyphRow(at / 16, at % 16);
    return file;
}

inline std::vector<std::uint8_t> gzipped(const TempDir& dir, const std::vector<std::uint8_t>& bytes)
{
    gzFile file = gzopen(dir.file("gz").c_str(), "wb9");
    gzwrite(file, bytes.data(), static_cast<unsigned>(bytes.size()));
    gzclose(file);
    return readBytes(dir.file("gz"));
}

// Standard output of a shell command; a failed command fails the test.
inline std::string commandOutput(const std::string& command)
{
    std::FILE* pipe = ::popen(command.c_str(), "r");
    std::string text;
    char chunk[65536];
    for (std::size_t got = 0; pipe && (got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) text.append(chunk, got);
    EXPECT_TRUE(pipe && ::pclose(pipe) == 0) << "failed: " << command;
    return text;
}
