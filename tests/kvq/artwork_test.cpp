// SPDX-License-Identifier: MIT
#include "kvq/files/artwork.h"

#include "kvq/common/tool_error.h"
#include "kvq/files/cell_font_file.h"
#include "kvq/font/cp437_font.h"
#include "kvq/font/psf_font.h"
#include "support/kvq_test_support.h"

namespace {

TEST(Artwork, FrameFileFramesAreThePlayersPictures)
{
    TempDir dir;
    std::vector<std::uint8_t> frames = randomBytes(3 * kFrame + 100, 7);
    const std::string path = dir.write("show.kvq", frames);
    const std::string font = dir.write("test", fontFile(256));
    ArtworkOptions options;
    options.font_path = font;
    const auto artwork = openArtwork(path, options);
    ASSERT_EQ(artwork->frameCount(), 4u);
    EXPECT_EQ(artwork->widthPixels(), 640);
    EXPECT_EQ(artwork->heightPixels(), 480);
    EXPECT_FALSE(artwork->blinks());
    EXPECT_EQ(artwork->piece(), nullptr);
    const auto expected = playersPictures(path, fontFile(256));
    std::vector<std::uint32_t> pixels;
    for (std::uint64_t frame : {2u, 0u, 3u}) {
        ASSERT_TRUE(drawArtworkFrame(*artwork, frame, true, pixels));
        EXPECT_TRUE(pixels == expected[frame]) << "frame " << frame;
    }
    EXPECT_FALSE(drawArtworkFrame(*artwork, 4, true, pixels));
}

TEST(Artwork, UnreadableFileIsOneToolError)
{
    TempDir dir;
    EXPECT_THROW(openArtwork(dir.file("missing.ans"), {}), ToolError);
}

TEST(CellFontFile, PsfOfAnyHeightGivesItsFirst256Glyphs)
{
    TempDir dir;
    for (const std::uint32_t height : {8u, 14u, 16u}) {
        const CellFont font = readCellFont(dir.write("f.psf", psf(2, 512, 8, height)));
        ASSERT_EQ(font.height, static_cast<int>(height));
        ASSERT_EQ(font.rows.size(), 256u * height);
        for (int code : {0, 1, 128, 255}) {
            for (std::uint32_t y = 0; y < height; ++y) EXPECT_EQ(font.row(code, int(y)), glyphRow(code, y));
        }
    }
    const CellFont packed = readCellFont(dir.write("f.psf.gz", gzipped(dir, psf(1, 256, 8, 8))));
    EXPECT_EQ(packed.height, 8);
    EXPECT_EQ(packed.row(200, 7), glyphRow(200, 7));
}

TEST(CellFontFile, PlayersFontAndRawGlyphsUseAll256)
{
    TempDir dir;
    const CellFont player = readCellFont(dir.write("test", fontFile(256)));
    EXPECT_EQ(player.height, 16);
    // Not the player's inverses: the glyph the file holds in slot 200.
    EXPECT_EQ(player.row(200, 3), glyphRow(200, 3));
    std::vector<std::uint8_t> raw(256 * 8);
    for (std::size_t at = 0; at < raw.size(); ++at) raw[at] = glyphRow(std::uint32_t(at / 8), std::uint32_t(at % 8));
    const CellFont small = readCellFont(dir.write("raw8", raw));
    EXPECT_EQ(small.height, 8);
    EXPECT_EQ(small.row(255, 7), glyphRow(255, 7));
}

TEST(CellFontFile, OtherSizesAndWideGlyphsAreRefused)
{
    TempDir dir;
    EXPECT_THROW(readCellFont(dir.write("odd", std::vector<std::uint8_t>(1000))), ToolError);
    EXPECT_THROW(readCellFont(dir.write("empty", {})), ToolError);
    EXPECT_THROW(readCellFont(dir.write("wide.psf", psf(2, 256, 12, 16))), ToolError);
    std::vector<std::uint8_t> cut = psf(2, 256, 8, 16);
    cut.resize(cut.size() - 1);
    EXPECT_THROW(readCellFont(dir.write("cut.psf", cut)), ToolError);
}

// What a CP437 glyph must look like where its shape is beyond doubt.
void expectBlocks(const CellFont& font)
{
    const int h = font.height;
    for (int y = 0; y < h; ++y) {
        EXPECT_EQ(font.row(0xDB, y), 0xFF) << "full block, row " << y;
        // The console's half blocks leave a row between them in 8x16; they never overlap.
        EXPECT_EQ(font.row(0xDC, y) & font.row(0xDF, y), 0) << "half blocks, row " << y;
        EXPECT_TRUE(font.row(0xDC, y) == 0 || font.row(0xDC, y) == 0xFF) << "lower half, row " << y;
        EXPECT_EQ(font.row(0xDD, y), 0xF0) << "left half, row " << y;
        EXPECT_EQ(font.row(0xDE, y), 0x0F) << "right half, row " << y;
        EXPECT_EQ(font.row(0x20, y), 0);
    }
    EXPECT_EQ(font.row(0xDC, h - 1), 0xFF);
    EXPECT_EQ(font.row(0xDF, 0), 0xFF);
    EXPECT_EQ(font.row(0xDF, h / 2 - 2), 0xFF);
    EXPECT_EQ(font.row(0xDC, h / 2 + 1), 0xFF);
    // Every code but the three blanks has a glyph.
    for (int code = 1; code < 255; ++code) {
        if (code == 0x20) continue;
        int ink = 0;
        for (int y = 0; y < h; ++y) ink += font.row(code, y) != 0;
        EXPECT_GT(ink, 0) << "code " << code;
    }
}

TEST(Cp437Font, EveryCodeHasItsGlyphAtBothHeights)
{
    if (!std::filesystem::exists("/usr/share/consolefonts/Uni2-VGA8.psf.gz")) GTEST_SKIP() << "no console fonts";
    const CellFont tall = cp437ConsoleFont(16);
    ASSERT_EQ(tall.height, 16);
    expectBlocks(tall);
    const CellFont small = cp437ConsoleFont(8);
    ASSERT_EQ(small.height, 8);
    expectBlocks(small);
    // Codes whose characters differ from the console's Latin-1 placement.
    const auto glyph = [](const CellFont& font, int code) {
        return std::vector<std::uint8_t>(font.rows.begin() + code * font.height,
                                         font.rows.begin() + (code + 1) * font.height);
    };
    EXPECT_NE(glyph(tall, 0x82), glyph(tall, 'e'));   // e acute
    EXPECT_NE(glyph(tall, 0xE1), glyph(tall, 0xE0));  // beta beside alpha
    EXPECT_EQ(fontForSauceName("IBM VGA50").height, 8);
    EXPECT_EQ(fontForSauceName("IBM VGA").height, 16);
    EXPECT_EQ(fontForSauceName("Amiga Topaz 1").height, 16);
}

}  // namespace

namespace {

// A PSF font of four glyphs whose table maps glyph 0 to 'A', glyph 1 to U+00E9 and, after a
// sequence that must not count, U+2588, glyph 2 to nothing and glyph 3 to U+263A.
std::vector<std::uint8_t> psfWithTable(int version)
{
    std::vector<std::uint8_t> font = psf(version, version == 1 ? 256 : 4, 8, 8);
    if (version == 1) {
        font[2] |= 0x02;  // has a table
        const std::vector<std::uint16_t> table = {'A',    0xFFFF, 0x00E9, 0xFFFE, 'e',
                                                  0x0301, 0xFFFF, 0xFFFF, 0x263A, 0xFFFF};
        for (const std::uint16_t value : table)
            font.insert(font.end(), {std::uint8_t(value), std::uint8_t(value >> 8)});
        return font;
    }
    font[12] = 0x01;  // has a table
    const std::vector<std::uint8_t> table = {'A',  0xFF, 0xC3, 0xA9, 0xFE, 'e',  0xCC,
                                             0x81, 0xFF, 0xFF, 0xE2, 0x98, 0xBA, 0xFF};
    font.insert(font.end(), table.begin(), table.end());
    return font;
}

}  // namespace

TEST(PsfGlyphs, UnicodeTablesOfBothVersionsLeaveSequencesOut)
{
    TempDir dir;
    for (const int version : {1, 2}) {
        const PsfGlyphs font = readPsfGlyphs(dir.write("t.psf", psfWithTable(version)));
        ASSERT_GE(font.characters.size(), 4u);
        EXPECT_EQ(font.characters[0], std::vector<char32_t>{U'A'}) << version;
        EXPECT_EQ(font.characters[1], std::vector<char32_t>{U'\u00E9'}) << version;
        EXPECT_TRUE(font.characters[2].empty()) << version;
        EXPECT_EQ(font.characters[3], std::vector<char32_t>{U'\u263A'}) << version;
        EXPECT_EQ(font.height, 8);
        EXPECT_EQ(font.glyph(3)[7], glyphRow(3, 7));
    }
}
