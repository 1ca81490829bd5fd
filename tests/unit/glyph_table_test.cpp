// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "content/glyph_table.h"
#include "support/test_files.h"

TEST(GlyphTableLoad, TheFirst16BytesOfSlots0To127AndTheirInversesMakeTheTable)
{
    TempDir dir;
    const auto full = randomBytes(8192, 7);
    GlyphTable table;
    ASSERT_EQ(table.load(dir.write("font", full).c_str()), 0);
    for (int code = 0; code < 128; ++code) {
        for (int row = 0; row < 16; ++row) {
            const std::uint8_t expected = full[static_cast<std::size_t>(code * 32 + row)];
            ASSERT_EQ(table[code][row], expected) << "code " << code << " row " << row;
            ASSERT_EQ(table[code + 128][row], static_cast<std::uint8_t>(~expected)) << "code " << code + 128;
        }
    }

    // Slots 128-255 and anything past 8192 bytes never reach the table.
    auto longer = full;
    longer.resize(20000, 0xAB);
    for (const auto& bytes : {std::vector<std::uint8_t>(full.begin(), full.begin() + 4096), longer}) {
        GlyphTable other;
        ASSERT_EQ(other.load(dir.write("other", bytes).c_str()), 0);
        for (int code = 0; code < 256; ++code)
            ASSERT_EQ(other[code], table[code]) << bytes.size() << " bytes, code " << code;
    }
}

TEST(GlyphTableLoad, ShortFileLeavesUndeliveredRowsPaperAndTheirInversesInkAndAMissingOneChangesNothing)
{
    TempDir dir;
    // Ends in the middle of slot 2's rows: glyph 2 keeps rows 0-4, everything after is blank.
    GlyphTable table;
    ASSERT_EQ(table.load(dir.write("short", std::vector<std::uint8_t>(32 * 2 + 5, 0xFF)).c_str()), 0);
    for (int row = 0; row < 16; ++row) {
        EXPECT_EQ(table[2][row], row < 5 ? 0xFF : 0x00) << "row " << row;
        EXPECT_EQ(table[130][row], row < 5 ? 0x00 : 0xFF) << "row " << row;
        EXPECT_EQ(table[127][row], 0x00);
        EXPECT_EQ(table[255][row], 0xFF);
    }

    table[65][3] = 0x42;
    EXPECT_EQ(table.load(dir.file("absent").c_str()), -1);
    EXPECT_EQ(table[65][3], 0x42);
    EXPECT_EQ(GlyphTable{}[200], Glyph{}) << "without a font every code, inverses too, is paper";
}
