// SPDX-License-Identifier: MIT
#include "scene/scene_test_support.h"

namespace {

constexpr int kPalette = 0x01, kFont = 0x02, kCompressed = 0x04, kNonBlink = 0x08, kFiveTwelve = 0x10;

Bytes header(int columns, int rows, int font_height, int flags)
{
    Bytes file{'X', 'B', 'I', 'N', 0x1A};
    file += {columns & 0xFF, columns >> 8, rows & 0xFF, rows >> 8, font_height, flags};
    return file;
}

Bytes cellsOfEveryAttribute(int count)
{
    Bytes cells;
    for (int i = 0; i < count; ++i) cells += {(i * 37 + 3) & 0xFF, i & 0xFF};
    return cells;
}

TEST(XbinReader, PaletteFontAndCellsAsAnsiloveDrawsThem)
{
    Bytes file = header(16, 16, 12, kPalette | kFont | kNonBlink);
    file += sixBitPalette();
    file += distinctFont(256, 12);
    file += cellsOfEveryAttribute(256);
    const ScenePiece piece = readXbin(file, noSauce(file), {});
    ASSERT_TRUE(piece.font.has_value());
    expectLikeAnsilove(piece, file, "colours.xb");
}

TEST(XbinReader, EveryKindOfRunAsAnsiloveUnpacksIt)
{
    Bytes file = header(5, 3, 16, kCompressed | kNonBlink);
    file += {0x02, 0x41, 0x1F, 0x42, 0x2E, 0x43, 0x9C};  // three cells as they are
    file += {0x43, 0xB1, 0x1E, 0x3F, 0x4A, 0xF0};        // one code, four attributes
    file += {0x82, 0x4E, 0x44, 0x45, 0x46};              // one attribute, three codes
    file += {0xC4, 0xDB, 0x0C};                          // five of one cell
    expectLikeAnsilove(readXbin(file, noSauce(file), {}), file, "runs.xb");
}

// With 512 glyphs the foreground's bit 3 picks the glyph's half and is no colour: the palette here
// repeats its first eight colours, so that ansilove (which keeps the bit as a colour too) draws the
// same pixels.
TEST(XbinReader, FiveHundredTwelveGlyphs)
{
    Bytes palette = sixBitPalette();
    std::copy(palette.begin(), palette.begin() + 24, palette.begin() + 24);
    Bytes file = header(16, 16, 16, kPalette | kFont | kFiveTwelve | kNonBlink);
    file += palette;
    file += distinctFont(512, 16);
    file += cellsOfEveryAttribute(256);
    const ScenePiece piece = readXbin(file, noSauce(file), {});
    ASSERT_EQ(piece.font->glyph_count, 512);
    EXPECT_EQ(piece.picture.at(0, 9).foreground, 1) << "bit 3 picks the glyph, no colour";
    expectLikeAnsilove(piece, file, "glyphs.xb");
}

TEST(XbinReader, WithoutTheNonBlinkFlagTheTopBitBlinks)
{
    Bytes file = header(2, 1, 16, 0);
    file += {0x41, 0x1F, 0x42, 0xCE};
    const ScenePiece piece = readXbin(file, noSauce(file), {});
    EXPECT_FALSE(piece.font.has_value());
    EXPECT_FALSE(piece.ice_colours);
    EXPECT_EQ(piece.picture.at(0, 1), (Cell{0x42, 14, 4, Cell::kBlinks}));
    SceneOptions options;
    options.ice_colours = true;
    EXPECT_EQ(readXbin(file, noSauce(file), options).picture.at(0, 1), (Cell{0x42, 14, 12, 0}));
}

TEST(XbinReader, MissingCellsStayBlankAndEightRowsAskForTheSmallFont)
{
    Bytes file = header(4, 2, 8, 0);
    file += {0xDB, 0x0C, 0xDB, 0x0C, 0xDB, 0x0C};
    const ScenePiece piece = readXbin(file, noSauce(file), {});
    EXPECT_EQ(piece.font_name, "IBM VGA50");
    EXPECT_EQ(piece.picture.at(0, 2).code, 0xDB);
    EXPECT_EQ(piece.picture.at(1, 3), (Cell{0, 0, 0, 0}));
}

TEST(XbinReader, DamagedFilesRefusedInOneLine)
{
    expectReaderRefuses(readXbin, Bytes{'X', 'B', 'I', 'N', 0x1A, 1, 0}, "header is cut short");
    expectReaderRefuses(readXbin, joined(header(0, 5, 16, 0), {0x41, 0x07}), "0 columns");
    expectReaderRefuses(readXbin, header(5, 0, 16, 0), "no cells");
    expectReaderRefuses(readXbin, header(65535, 65535, 16, 0), "too large");
    expectReaderRefuses(readXbin, joined(header(1, 1, 16, kPalette), {1, 2, 3}), "palette is cut short");
    expectReaderRefuses(readXbin, joined(header(1, 1, 16, kFont), distinctFont(255, 16)), "font is cut short");
    expectReaderRefuses(readXbin, header(1, 1, 0, kFont), "0 rows high");
    expectReaderRefuses(readXbin, joined(header(1, 1, 33, kFont), distinctFont(256, 33)), "33 rows high");
}

// Archives hold XBINs cut short and ones whose last run overfills: what arrived is drawn, as ansilove
// draws it, rather than nothing.
TEST(XbinReader, DamagedRunsDrawWhatArrived)
{
    Bytes overfilled = header(2, 1, 16, kCompressed | kNonBlink);
    overfilled += {0xC3, 0xDB, 0x0C};  // four cells into a picture of two
    expectLikeAnsilove(readXbin(overfilled, noSauce(overfilled), {}), overfilled, "overfilled.xb");

    Bytes cut = header(4, 1, 16, kCompressed | kNonBlink);
    cut += {0x00, 0x41, 0x1E, 0x43, 0x42, 0x07};  // one cell, then a run of four that stops after one
    expectLikeAnsilove(readXbin(cut, noSauce(cut), {}), cut, "cut.xb");
}

}  // namespace
