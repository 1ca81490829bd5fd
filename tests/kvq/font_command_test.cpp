// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <filesystem>

#include "kvq_test_support.h"

namespace {

constexpr const char* kConsoleFont = "/usr/share/consolefonts/Lat15-VGA16.psf.gz";

enum class Stored { Plain, Gzip };

// Converts `font` written as `name` and returns the output file's bytes.
std::vector<std::uint8_t> convert(const TempDir& dir, const std::string& name, const std::vector<std::uint8_t>& font,
                                  Stored stored = Stored::Plain)
{
    const std::string input = dir.file(name);
    if (stored == Stored::Gzip) {
        writeGzip(input, font);
    } else {
        dir.write(name, font);
    }
    const std::string output = dir.file(name + ".out");
    const KvqRun run = runKvqWith({"font", input, "-o", output});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    return readBytes(output);
}

// A conversion that must fail: one line naming the input, status 1, and nothing new in the folder.
void expectRefused(const TempDir& dir, const std::string& input, const std::string& cause)
{
    const auto before = folderEntries(dir.path());
    const KvqRun run = runKvqWith({"font", input, "-o", dir.file("font.out")});
    EXPECT_EQ(run.status, 1) << input;
    EXPECT_TRUE(isOneLine(run.err)) << run.err;
    EXPECT_NE(run.err.find(input), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(cause), std::string::npos) << "wanted '" << cause << "' in: " << run.err;
    EXPECT_EQ(folderEntries(dir.path()), before) << "left a file behind for " << input;
}

}  // namespace

TEST(FontConversion, Psf1GlyphsFillTheFirst16BytesOfEachSlot)
{
    TempDir dir;
    EXPECT_EQ(convert(dir, "256.psf", psf1Font(256, 16)), expectedFontFile(256));
    // Mode bit 0 means 512 glyphs; only the first 256 are kept.
    EXPECT_EQ(convert(dir, "512.psf", psf1Font(512, 16)), expectedFontFile(512));
}

TEST(FontConversion, Psf2HonoursHeaderSizeAndGlyphCount)
{
    TempDir dir;
    EXPECT_EQ(convert(dir, "plain.psf", psf2Font(256, 8, 16)), expectedFontFile(256));
    EXPECT_EQ(convert(dir, "padded.psf", psf2Font(256, 8, 16, 48)), expectedFontFile(256));
    EXPECT_EQ(convert(dir, "many.psf", psf2Font(700, 8, 16)), expectedFontFile(700));
    // Fewer than 256 glyphs leave the remaining slots zero.
    EXPECT_EQ(convert(dir, "few.psf", psf2Font(100, 8, 16)), expectedFontFile(100));
}

TEST(FontConversion, DataAfterTheGlyphsIsIgnored)
{
    TempDir dir;
    auto font = psf2Font(256, 8, 16);
    font.insert(font.end(), {0x41, 0x00, 0xFF, 0x42, 0x00, 0xFF});  // a Unicode table follows the glyphs
    EXPECT_EQ(convert(dir, "unicode.psf", font), expectedFontFile(256));
}

TEST(FontConversion, GzipCompressedFontsGiveTheSameFile)
{
    TempDir dir;
    EXPECT_EQ(convert(dir, "v1.psf.gz", psf1Font(512, 16), Stored::Gzip), expectedFontFile(512));
    EXPECT_EQ(convert(dir, "v2.psf.gz", psf2Font(300, 8, 16, 40), Stored::Gzip), expectedFontFile(300));
}

TEST(FontConversion, DebianConsoleFontConverts)
{
    if (!std::filesystem::exists(kConsoleFont)) GTEST_SKIP() << kConsoleFont << " is not installed";
    TempDir dir;
    const KvqRun run = runKvqWith({"font", kConsoleFont, "-o", dir.file("test")});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto font = readBytes(dir.file("test"));
    ASSERT_EQ(font.size(), 8192u);
    // 'A' has ink in its middle rows; a space has none; the second half of every slot is zero.
    EXPECT_NE(font['A' * 32 + 8], 0);
    for (int row = 0; row < 16; ++row) EXPECT_EQ(font[' ' * 32 + row], 0) << "row " << row;
    for (int slot = 0; slot < 256; ++slot) {
        for (int byte = 16; byte < 32; ++byte) ASSERT_EQ(font[static_cast<std::size_t>(slot * 32 + byte)], 0) << slot;
    }
}

TEST(FontConversionErrors, WrongGlyphSizeIsRefused)
{
    TempDir dir;
    expectRefused(dir, dir.write("v1-8x14.psf", psf1Font(256, 14)), "8x14");
    expectRefused(dir, dir.write("v2-8x14.psf", psf2Font(256, 8, 14)), "8x14");
    expectRefused(dir, dir.write("v2-9x16.psf", psf2Font(256, 9, 16)), "9x16");
    expectRefused(dir, dir.write("v2-16x32.psf", psf2Font(256, 16, 32)), "16x32");
}

TEST(FontConversionErrors, TruncatedFontsAreRefused)
{
    TempDir dir;
    auto v1 = psf1Font(256, 16);
    v1.resize(4 + 100 * 16 + 5);
    expectRefused(dir, dir.write("v1-cut.psf", v1), "truncated");
    auto v1_header = psf1Font(256, 16);
    v1_header.resize(3);
    expectRefused(dir, dir.write("v1-header.psf", v1_header), "truncated");
    auto v2 = psf2Font(512, 8, 16);
    v2.resize(v2.size() - 1);  // only the dropped glyphs past 256 are short: still a broken font
    expectRefused(dir, dir.write("v2-cut.psf", v2), "truncated");
    auto v2_header = psf2Font(256, 8, 16);
    v2_header.resize(20);
    expectRefused(dir, dir.write("v2-header.psf", v2_header), "truncated");
    // A header that claims four billion glyphs is checked against the data, not believed.
    auto v2_huge = psf2Font(16, 8, 16);
    v2_huge[16] = v2_huge[17] = v2_huge[18] = v2_huge[19] = 0xFF;
    expectRefused(dir, dir.write("v2-huge.psf", v2_huge), "truncated");

    auto gz = psf1Font(256, 16);
    const std::string whole = dir.file("whole.gz");
    writeGzip(whole, gz);
    auto compressed = readBytes(whole);
    std::filesystem::remove(whole);
    compressed.resize(compressed.size() / 2);
    expectRefused(dir, dir.write("cut.psf.gz", compressed), "truncated");
}

TEST(FontConversionErrors, OtherFilesAreRefused)
{
    TempDir dir;
    expectRefused(dir, dir.write("text.txt", {'h', 'e', 'l', 'l', 'o', '\n'}), "not a PSF font");
    expectRefused(dir, dir.write("empty.psf", {}), "empty");
    expectRefused(dir, dir.file("missing.psf"), "No such file");
    expectRefused(dir, dir.path().string(), "folder");
    auto inconsistent = psf2Font(256, 8, 16);
    inconsistent[20] = 32;  // 32 bytes per glyph for 8x16
    expectRefused(dir, dir.write("inconsistent.psf", inconsistent), "inconsistent");
}

TEST(FontConversionErrors, FailureKeepsAnExistingOutput)
{
    TempDir dir;
    const std::vector<std::uint8_t> old = {1, 2, 3};
    const std::string output = dir.write("font.out", old);
    const std::string input = dir.write("8x14.psf", psf1Font(256, 14));
    const auto before = folderEntries(dir.path());
    EXPECT_EQ(runKvqWith({"font", input, "-o", output}).status, 1);
    EXPECT_EQ(readBytes(output), old);
    EXPECT_EQ(folderEntries(dir.path()), before);
}

TEST(FontConversionErrors, NeverOverwritesItsInput)
{
    TempDir dir;
    const auto font = psf1Font(256, 16);
    const std::string input = dir.write("font.psf", font);
    std::filesystem::create_symlink(input, dir.file("link.psf"));
    std::filesystem::create_hard_link(input, dir.file("hard.psf"));
    for (const std::string& output : {input, dir.file("link.psf"), dir.file("hard.psf"), dir.file("./font.psf")}) {
        const KvqRun run = runKvqWith({"font", input, "-o", output});
        EXPECT_EQ(run.status, 1) << output;
        EXPECT_NE(run.err.find("refusing to overwrite"), std::string::npos) << run.err;
        EXPECT_EQ(readBytes(input), font) << output;
    }
}
