// SPDX-License-Identifier: MIT
#include "scene/scene_test_support.h"

namespace {

// Every attribute, each on a glyph with ink and paper in both halves.
Bytes everyAttribute(bool skip_blink_on_grey = false)
{
    Bytes file;
    for (int attribute = 0; attribute < 256; ++attribute) {
        if (skip_blink_on_grey && (attribute & 0xF0) == 0x80) continue;
        file += {0xB1 - (attribute & 1), attribute};
    }
    return file;
}

SauceSplit binSauce(const Bytes& file, std::uint8_t file_type, std::uint8_t flags)
{
    SauceRecord record;
    record.data_type = 5;
    record.file_type = file_type;
    record.flags = flags;
    record.title = "Cells";
    return SauceSplit{record, file.size()};
}

TEST(BinReader, IceColoursDrawEveryAttributeAsAnsiloveDoes)
{
    const Bytes file = everyAttribute();
    SceneOptions options;
    options.columns = 16;
    options.ice_colours = true;
    const ScenePiece piece = readBin(file, noSauce(file), options);
    EXPECT_EQ(piece.format, SceneFormat::bin);
    expectLikeAnsilove(piece, file, "every.bin", ansiloveAsked(16, true));
}

TEST(BinReader, WithoutIceColoursTheTopBitBlinksOnADimBackground)
{
    const Bytes file = everyAttribute(true);
    SceneOptions options;
    options.columns = 16;
    const ScenePiece piece = readBin(file, noSauce(file), options);
    expectLikeAnsilove(piece, file, "blink.bin", ansiloveAsked(16));
    const Cell& blinking = piece.picture.at(8, 14);  // attribute 0x9E: the 0x8X row is left out
    EXPECT_EQ(blinking.background, 1);
    EXPECT_EQ(blinking.foreground, 14);
    EXPECT_EQ(blinking.flags, Cell::kBlinks);
}

// ansilove keeps grey (8) behind a blinking cell whose background bits are 000; VGA shows black, as
// for every other blinking cell.
TEST(BinReader, BlinkingOnBlackIsBlackNotGrey)
{
    const Bytes file{0x41, 0x8C};
    SceneOptions options;
    options.columns = 1;
    const Cell cell = readBin(file, noSauce(file), options).picture.at(0, 0);
    EXPECT_EQ(cell.background, 0);
    EXPECT_EQ(cell.flags, Cell::kBlinks);
}

TEST(BinReader, NinthColumnAsAnsiloveDrawsIt)
{
    Bytes file;
    for (int code = 0xB0; code < 0xE0; ++code) file += {code, 0x1E};
    SceneOptions options;
    options.columns = 8;
    options.letter_spacing = 9;
    const ScenePiece piece = readBin(file, noSauce(file), options);
    EXPECT_EQ(piece.letter_spacing, 9);
    expectLikeAnsilove(piece, file, "ninth.bin", ansiloveAsked(8, false, 9));
}

TEST(BinReader, WidthFromSauceThePersonOr160)
{
    const Bytes file(2 * 320, 0x07);
    EXPECT_EQ(readBin(file, noSauce(file), {}).picture.columns, 160);
    const SauceSplit sauce = binSauce(file, 20, 0x01 | 0x04);
    const ScenePiece piece = readBin(file, sauce, {});
    EXPECT_EQ(piece.picture.columns, 40);
    EXPECT_EQ(piece.picture.rows, 8);
    EXPECT_TRUE(piece.ice_colours);
    EXPECT_EQ(piece.letter_spacing, 9);
    EXPECT_EQ(piece.sauce->title, "Cells");
    SceneOptions options;
    options.columns = 64;
    options.ice_colours = false;
    options.letter_spacing = 8;
    const ScenePiece chosen = readBin(file, sauce, options);
    EXPECT_EQ(chosen.picture.columns, 64);
    EXPECT_FALSE(chosen.ice_colours);
    EXPECT_EQ(chosen.letter_spacing, 8);
}

TEST(BinReader, SauceRecordIsNotReadAsCells)
{
    Bytes file{0x41, 0x1F, 0x42, 0x2E};
    const SauceSplit sauce = binSauce(file, 1, 0);
    file += std::string("\x1ASAUCE00 and the rest of the record");
    const ScenePiece piece = readBin(file, sauce, {});
    EXPECT_EQ(piece.picture.rows, 1);
    EXPECT_EQ(piece.picture.at(0, 1).code, 0x42);
}

// ansilove leaves out a last row that the file fills only in part; the cells are there, so they show.
TEST(BinReader, PartLastRowIsKept)
{
    const Bytes file{0x41, 0x1F, 0x42, 0x2E, 0x43, 0x4F, 0x1A};
    SceneOptions options;
    options.columns = 2;
    const ScenePiece piece = readBin(file, noSauce(file), options);
    ASSERT_EQ(piece.picture.rows, 2);
    EXPECT_EQ(piece.picture.at(1, 0), (Cell{0x43, 15, 4, 0}));
    EXPECT_EQ(piece.picture.at(1, 1), (Cell{0, 0, 0, 0}));
}

TEST(BinReader, DamagedFilesRefusedInOneLine)
{
    expectReaderRefuses(readBin, {}, "no cells");
    expectReaderRefuses(readBin, {0x41}, "no cells");
    SceneOptions options;
    options.columns = 0;
    expectReaderRefuses(readBin, {0x41, 0x07}, "0 columns", options);
    options.columns = 1 << 30;
    expectReaderRefuses(readBin, {0x41, 0x07}, "too large", options);
}

}  // namespace
