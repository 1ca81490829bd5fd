// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "scene/binary_readers.h"
#include "scene/sauce_record.h"
#include "scene/scene_error.h"
#include "support/ansilove_reference.h"
#include "support/test_files.h"

// What the scene's tests share: files written byte by byte, a SAUCE record as the scene writes one,
// and the checks of the readers of stored cells against ansilove's render of the same file.
using Bytes = std::vector<std::uint8_t>;

// Bytes from text with escapes written as "\x1b" in C++ source.
inline Bytes bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

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
inline Bytes& operator+=(Bytes& bytes, const std::string& text) { return bytes += bytesOf(text); }
inline Bytes joined(Bytes bytes, std::initializer_list<int> more) { return bytes += more; }
inline Bytes joined(Bytes bytes, const Bytes& more) { return bytes += more; }

// The code of each cell of a row as text, for readable expectations ('.' for blanks).
inline std::string rowText(const CellPicture& picture, int row)
{
    std::string text;
    for (int column = 0; column < picture.columns; ++column) {
        const int code = picture.at(row, column).code;
        text += code == ' ' ? '.' : static_cast<char>(code);
    }
    while (!text.empty() && text.back() == '.') text.pop_back();
    return text;
}

// A SAUCE record with the fields the tests vary.
struct SauceFields {
    std::string title = "Title", author = "Author", group = "Group", date = "19960101";
    std::uint32_t file_size = 0;
    std::uint8_t data_type = 1, file_type = 1;
    std::uint16_t info1 = 80, info2 = 25;
    std::uint8_t flags = 0;
    std::string font_name = "IBM VGA";
    std::vector<std::string> comments;
    int stated_comment_count = -1;  // -1: as many as there are
};

// The art, SUB, the comment block and the record.
inline Bytes withSauce(const Bytes& art, const SauceFields& fields, bool sub = true)
{
    Bytes out = art;
    const auto field = [&out](std::string text, std::size_t size, char pad = ' ') {
        text.resize(size, pad);
        out += text;
    };
    const auto little = [&out](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    };
    if (sub) out.push_back(0x1A);
    if (!fields.comments.empty()) field("COMNT", 5);
    for (const std::string& line : fields.comments) field(line, 64);
    field("SAUCE00", 7);
    field(fields.title, 35);
    field(fields.author, 20);
    field(fields.group, 20);
    field(fields.date, 8);
    little(fields.file_size ? fields.file_size : static_cast<std::uint32_t>(art.size()), 4);
    out += {fields.data_type, fields.file_type};
    little(fields.info1 | fields.info2 << 16, 4);
    little(0, 4);
    out += {fields.stated_comment_count >= 0 ? fields.stated_comment_count : int(fields.comments.size()), fields.flags};
    field(fields.font_name, 22, '\0');
    return out;
}

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
    static const CellFont vga = ansiloveFont(16);
    const CellFont& font = piece.font ? *piece.font : vga;
    TempDir dir;
    const ReferencePicture reference = ansiloveRender(dir.write(name, file), options);
    ReferencePicture ours = drawnPicture(piece.picture, font, piece.letter_spacing);
    ASSERT_EQ(ours.height, reference.height + rows_beyond * font.height);
    ours.height = reference.height;
    ours.pixels.resize(reference.pixels.size());
    EXPECT_TRUE(samePixels(ours, reference, piece.letter_spacing, font.height));
}

// That reading `file` fails with one line that says `words`.
template <typename Reader>
void expectReaderRefuses(Reader reader, const Bytes& file, const std::string& words, const SceneOptions& options = {})
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
