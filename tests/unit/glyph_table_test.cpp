// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "content/glyph_table.h"
#include "test_files.h"

namespace {

std::vector<std::uint8_t> fontWithShapesEverywhere() { return randomBytes(8192, 7); }

bool sameTable(const GlyphTable& a, const GlyphTable& b)
{
    for (int code = 0; code < 256; ++code) {
        if (a[code] != b[code]) return false;
    }
    return true;
}

}  // namespace

TEST(GlyphTableLoad, UpperCodesAreInversesOfLowerForAll128Pairs)
{
    TempDir dir;
    const auto bytes = fontWithShapesEverywhere();
    GlyphTable table;
    ASSERT_EQ(table.load(dir.write("font", bytes).c_str()), 0);
    for (int code = 0; code < 128; ++code) {
        for (int row = 0; row < 16; ++row) {
            const std::uint8_t expected = bytes[static_cast<std::size_t>(code * 32 + row)];
            ASSERT_EQ(table[code][row], expected) << "code " << code << " row " << row;
            ASSERT_EQ(table[code + 128][row], static_cast<std::uint8_t>(~expected)) << "code " << code + 128;
        }
    }
}

TEST(GlyphTableLoad, UpperSlotsAndSecondHalvesOfSlotsNeverReachTheTable)
{
    TempDir dir;
    const auto full = fontWithShapesEverywhere();
    const std::vector<std::uint8_t> first_half(full.begin(), full.begin() + 4096);
    auto longer = full;
    longer.resize(20000, 0xAB);

    GlyphTable from_full;
    GlyphTable from_half;
    GlyphTable from_longer;
    ASSERT_EQ(from_full.load(dir.write("full", full).c_str()), 0);
    ASSERT_EQ(from_half.load(dir.write("half", first_half).c_str()), 0);
    ASSERT_EQ(from_longer.load(dir.write("longer", longer).c_str()), 0);
    EXPECT_TRUE(sameTable(from_full, from_half));
    EXPECT_TRUE(sameTable(from_full, from_longer));
}

TEST(GlyphTableLoad, ShortFileLeavesUndeliveredRowsPaperAndTheirInversesInk)
{
    TempDir dir;
    // Ends in the middle of slot 2's rows: glyph 2 keeps rows 0-4, everything after is blank.
    std::vector<std::uint8_t> bytes(32 * 2 + 5, 0xFF);
    GlyphTable table;
    ASSERT_EQ(table.load(dir.write("short", bytes).c_str()), 0);
    for (int row = 0; row < 16; ++row) {
        EXPECT_EQ(table[0][row], 0xFF);
        EXPECT_EQ(table[2][row], row < 5 ? 0xFF : 0x00) << "row " << row;
        EXPECT_EQ(table[130][row], row < 5 ? 0x00 : 0xFF) << "row " << row;
        EXPECT_EQ(table[127][row], 0x00);
        EXPECT_EQ(table[255][row], 0xFF);
    }

    GlyphTable from_empty;
    ASSERT_EQ(from_empty.load(dir.write("empty", {}).c_str()), 0);
    EXPECT_EQ(from_empty[5], Glyph{});
    EXPECT_EQ(from_empty[133][0], 0xFF);
}

TEST(GlyphTableLoad, MissingFileFailsAndLeavesTheTableUntouched)
{
    TempDir dir;
    GlyphTable table;
    table[65][3] = 0x42;
    EXPECT_EQ(table.load(dir.file("absent").c_str()), -1);
    EXPECT_EQ(table[65][3], 0x42);
    EXPECT_EQ(table[200], Glyph{});
}
