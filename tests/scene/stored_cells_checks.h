// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "render/cell_drawing.h"
#include "scene/binary_readers.h"
#include "scene/scene_error.h"
#include "support/ansilove_reference.h"
#include "support/test_files.h"

// Fixtures for the readers of stored cells, written byte by byte, and the check that our drawing of
// what a reader made is ansilove's render of the same file.
using Bytes = std::vector<std::uint8_t>;

inline Bytes& operator+=(Bytes& bytes, std::initializer_list<int> more)
{
    for (int byte : more) bytes.push_back(static_cast<std::uint8_t>(byte));
    return bytes;
}
inline Bytes& operator+=(Bytes& bytes, const Bytes& more)
{
    bytes.insert(bytes.end(), more.begin(), more.end());
    return bytes;
}
inline Bytes& operator+=(Bytes& bytes, const std::string& text) { return bytes += Bytes(text.begin(), text.end()); }

inline Bytes joined(Bytes bytes, std::initializer_list<int> more) { return bytes += more; }
inline Bytes joined(Bytes bytes, const Bytes& more) { return bytes += more; }

inline SauceSplit noSauce(const Bytes& file) { return SauceSplit{std::nullopt, file.size()}; }

// A font whose every glyph differs from every other and from a code's neighbours, so that a wrong
// glyph, a wrong half of 512 or a shifted row shows.
inline Bytes distinctFont(int glyphs, int height)
{
    Bytes font;
    for (int code = 0; code < glyphs; ++code)
        for (int y = 0; y < height; ++y)
            font.push_back(static_cast<std::uint8_t>((code * 7 + y * 31 + (code >> 8) * 85) ^ (y << 4)));
    return font;
}

// A 6-bit palette of 16 distinct colours, none of them VGA's.
inline Bytes sixBitPalette()
{
    Bytes palette;
    for (int i = 0; i < 15; ++i) palette += {(i * 4 + 1) & 63, 63 - i * 3, (i * 11 + 5) & 63};
    return palette += {128, 200, 65};  // a damaged entry, past 6 bits
}

inline std::vector<std::uint32_t> drawPiece(const ScenePiece& piece, int& width, int& height)
{
    static const CellFont vga = ansiloveFont(16);
    const CellFont& font = piece.font ? *piece.font : vga;
    CellLayout layout;
    layout.letter_spacing = piece.letter_spacing;
    width = pictureWidthPixels(piece.picture, layout);
    height = pictureHeightPixels(piece.picture, font, layout);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    drawCells(piece.picture, font, layout, RenderTarget{reinterpret_cast<std::uint8_t*>(pixels.data()), width * 4});
    return pixels;
}

inline AnsiloveOptions ansiloveAsked(int columns, bool ice = false, int bits = 8)
{
    AnsiloveOptions options;
    options.columns = columns;
    options.ice = ice;
    options.bits = bits;
    return options;
}

// Our picture of `piece` against ansilove's render of `file`, written as `name`; where ours is
// `rows_beyond` cell rows taller, the rows both draw.
inline void expectLikeAnsilove(const ScenePiece& piece, const Bytes& file, const std::string& name,
                               const AnsiloveOptions& options = {}, int rows_beyond = 0)
{
    if (!ansiloveInstalled()) GTEST_SKIP() << "ansilove is not installed";
    TempDir dir;
    const ReferencePicture reference = ansiloveRender(dir.write(name, file), options);
    int width = 0, height = 0;
    const std::vector<std::uint32_t> ours = drawPiece(piece, width, height);
    ASSERT_EQ(width, reference.width);
    ASSERT_EQ(height, reference.height + rows_beyond * (piece.font ? piece.font->height : 16));
    for (std::size_t i = 0; i < reference.pixels.size(); ++i)
        ASSERT_EQ(ours[i], reference.pixels[i]) << "first differing pixel at x " << i % width << ", y " << i / width;
}

// That reading `file` fails with one line that says `words`.
template <typename Reader>
void expectRefused(Reader reader, const Bytes& file, const std::string& words, const SceneOptions& options = {})
{
    try {
        reader(file, noSauce(file), options);
        ADD_FAILURE() << "read without complaint; expected: " << words;
    } catch (const SceneError& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find(words), std::string::npos) << message;
        EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    }
}

// That `file` cut short at every length, and with bytes changed at random, is read or refused with a
// SceneError, never anything worse; the sanitizers' build checks every access on the way.
template <typename Reader>
void expectSurvivesDamage(Reader reader, const Bytes& file)
{
    std::size_t refused = 0;
    const auto attempt = [&](const Bytes& damaged) {
        try {
            const ScenePiece piece = reader(damaged, noSauce(damaged), SceneOptions{});
            EXPECT_EQ(piece.picture.cells.size(), static_cast<std::size_t>(piece.picture.columns) * piece.picture.rows);
        } catch (const SceneError&) {
            ++refused;
        }
    };
    for (std::size_t size = 0; size < file.size(); size += 1 + size / 64)
        attempt(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(size)));
    std::mt19937 random(11);
    for (int round = 0; round < 200; ++round) {
        Bytes damaged = file;
        for (int i = 0; i < 4; ++i) damaged[random() % damaged.size()] = static_cast<std::uint8_t>(random());
        attempt(damaged);
    }
    EXPECT_GT(refused, 0u);
}
