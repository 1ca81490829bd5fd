// SPDX-License-Identifier: MIT
#include "scene/scene_test_support.h"

namespace {

Bytes tundra() { return Bytes{24, 'T', 'U', 'N', 'D', 'R', 'A', '2', '4'}; }

Bytes rgb(std::uint32_t colour)
{
    Bytes bytes{0};
    return bytes += {int(colour >> 16), int(colour >> 8) & 0xFF, int(colour) & 0xFF};
}

Bytes coloured(int escape, int code, std::uint32_t first, std::uint32_t second = 0)
{
    Bytes bytes;
    bytes += {escape, code};
    bytes += rgb(first);
    if (escape == 6) bytes += rgb(second);
    return bytes;
}

Bytes moveTo(std::uint32_t row, std::uint32_t column)
{
    Bytes bytes{1};
    for (std::uint32_t value : {row, column})
        bytes += {int(value >> 24), int(value >> 16) & 0xFF, int(value >> 8) & 0xFF, int(value) & 0xFF};
    return bytes;
}

Bytes colourfulPiece()
{
    Bytes file = tundra();
    file += coloured(2, 'A', 0x123456);
    file += std::string("BC\r\n\t\x1A");  // control codes are glyphs too
    file += coloured(4, 0xDD, 0xFEDCBA);
    file += coloured(6, 0xB1, 0xAA0000, 0x123456);
    // Fewer than ansilove's 256 colours: past them it draws a colour with the nearest it has.
    for (int i = 0; i < 150; ++i)
        file += coloured(2 + 2 * (i % 3), (i * 7) & 0xFF, 0x030303 * (i % 50), 0xFF00FF - 5 * (i % 40));
    return file;
}

TEST(TundraReader, ColoursAndCodesAsAnsiloveDrawsThem)
{
    const Bytes file = colourfulPiece();
    const ScenePiece piece = readTundra(file, noSauce(file), {});
    EXPECT_EQ(piece.format, SceneFormat::tundra);
    // A colour met again, or one of VGA's, is the entry it already has: no more than ansilove's 256.
    EXPECT_EQ(piece.picture.at(0, 8).foreground, 4);
    EXPECT_EQ(piece.picture.at(0, 8).background, piece.picture.at(0, 0).foreground);
    expectLikeAnsilove(piece, file, "colours.tnd");
}

TEST(TundraReader, ColumnsAndNinthColumnAsAsked)
{
    const Bytes file = colourfulPiece();
    SceneOptions options;
    options.columns = 40;
    options.letter_spacing = 9;
    const ScenePiece piece = readTundra(file, noSauce(file), options);
    expectLikeAnsilove(piece, file, "narrow.tnd", ansiloveAsked(40, false, 9));
}

TEST(TundraReader, WidthFromSauceUnlessAsked)
{
    const Bytes file = joined(tundra(), Bytes(100, 'x'));
    SauceRecord record;
    record.data_type = 1;
    record.file_type = 8;
    record.info1 = 40;
    const SauceSplit split{record, file.size()};
    EXPECT_EQ(readTundra(file, split, {}).picture.columns, 40);
    EXPECT_EQ(readTundra(file, split, {}).picture.rows, 3);
    SceneOptions options;
    options.columns = 100;
    EXPECT_EQ(readTundra(file, split, options).picture.columns, 100);
    record.info1 = 60000;
    EXPECT_EQ(readTundra(file, SauceSplit{record, file.size()}, {}).picture.columns, 80);
}

// ansilove's picture ends a row early after a move of the pen, cutting the last row off; every cell
// written shows here.
TEST(TundraReader, PenMovesToRowAndColumn)
{
    Bytes file = tundra();
    file += coloured(6, 'A', 0xFFFFFF, 0x0000AA);
    file += moveTo(2, 77);
    file += std::string(300, 'K');
    const ScenePiece piece = readTundra(file, noSauce(file), {});
    ASSERT_EQ(piece.picture.rows, 7);
    EXPECT_EQ(piece.picture.at(6, 56).code, 'K');
    EXPECT_EQ(piece.picture.at(6, 57).code, 0);
    expectLikeAnsilove(piece, file, "moves.tnd", {}, 1);
}

TEST(TundraReader, DamagedFilesRefusedInOneLine)
{
    expectReaderRefuses(readTundra, Bytes{24, 'T', 'U', 'N'}, "header is cut short");
    expectReaderRefuses(readTundra, tundra(), "no cells");
    for (int escape : {1, 2, 4, 6})
        expectReaderRefuses(readTundra, joined(tundra(), {escape, 0x41, 0, 0}), "cut short");
    expectReaderRefuses(readTundra, joined(tundra(), moveTo(0, 80)), "outside the picture");
    expectReaderRefuses(readTundra, joined(tundra(), moveTo(0xFFFFFFFF, 0)), "outside the picture");
    SceneOptions options;
    options.columns = 0;
    expectReaderRefuses(readTundra, joined(tundra(), {0x41}), "0 columns", options);
}

}  // namespace
