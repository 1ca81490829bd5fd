// SPDX-License-Identifier: MIT
#include "scene/scene_test_support.h"

namespace {

Bytes idf(int last_column, const Bytes& cells)
{
    Bytes file{0x04, '1', '.', '4', 0, 0, 0, 0};
    file += {last_column & 0xFF, last_column >> 8, 24, 0};
    file += cells;
    file += distinctFont(256, 16);
    file += sixBitPalette();
    return file;
}

TEST(IcedrawReader, RunsFontAndPaletteAsAnsiloveDrawsThem)
{
    Bytes cells;
    for (int i = 0; i < 100; ++i) cells += {i == 53 ? 0x02 : (i * 29) & 0xFF, (i * 3) & 0xFF};
    cells += {0x01, 0x00, 0x2C, 0x00, 0xB2, 0x9E};  // 44 of one cell
    cells += {0x01, 0x07, 0x03, 0x01, 0x41, 0x1F};  // 3 of another: code 1 is a run, the count a byte
    for (int i = 0; i < 93; ++i) cells += {(i * 11) & 0xFF, 0xFF - i};
    const Bytes file = idf(79, cells);
    const ScenePiece piece = readIceDraw(file, noSauce(file), {});
    EXPECT_EQ(piece.format, SceneFormat::icedraw);
    expectLikeAnsilove(piece, file, "piece.idf");
}

// ansilove lays out as many rows as 80 columns would take, whatever the width; the width is the
// header's.
TEST(IcedrawReader, NarrowPieceTakesTheRowsItFills)
{
    const Bytes file = idf(3, {0x41, 0x07, 0x42, 0x07, 0x43, 0x07, 0x44, 0x07, 0x45, 0x07});
    const ScenePiece piece = readIceDraw(file, noSauce(file), {});
    EXPECT_EQ(piece.picture.columns, 4);
    ASSERT_EQ(piece.picture.rows, 2);
    EXPECT_EQ(piece.picture.at(1, 0).code, 0x45);
}

TEST(IcedrawReader, DamagedFilesRefusedInOneLine)
{
    expectReaderRefuses(readIceDraw, Bytes{0x04, '1', '.', '4', 0, 0}, "header is cut short");
    Bytes short_tail{0x04, '1', '.', '4', 0, 0, 0, 0, 79, 0, 24, 0, 0x41, 0x07};
    short_tail += distinctFont(256, 16);
    expectReaderRefuses(readIceDraw, short_tail, "font and palette are cut short");
    expectReaderRefuses(readIceDraw, idf(79, {0x41, 0x07, 0x01, 0x00, 0x05}), "run goes past the end");
    expectReaderRefuses(readIceDraw, idf(79, {}), "no cells");
    Bytes huge;
    for (int i = 0; i < 17000; ++i) huge += {0x01, 0x00, 0xFF, 0x00, 0x41, 0x07};
    expectReaderRefuses(readIceDraw, idf(79, huge), "too large");
}

}  // namespace
