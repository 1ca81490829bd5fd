// SPDX-License-Identifier: MIT
#include <cmath>
#include <random>

#include "kvq/encode/glyph_matcher.h"
#include "kvq/encode/luminance.h"
#include "kvq/files/png_file.h"
#include "kvq_test_support.h"
#include "render/colours.h"

namespace {

constexpr int kInk = luminanceOf(kInkColour);
constexpr int kPaper = luminanceOf(kPaperColour);

// Pixel `at` (0-127, row after row) of a glyph as the player draws it.
int drawn(const Glyph& glyph, int at) { return (glyph[static_cast<std::size_t>(at / 8)] >> (7 - at % 8)) & 1 ? kInk : kPaper; }

// The definition itself: the squared error of every code, the least one, the lowest on a tie.
int bruteForceBest(const GlyphTable& glyphs, const std::uint8_t* cell)
{
    std::int64_t best_error = -1;
    int best = -1;
    for (int code = 0; code < 256; ++code) {
        std::int64_t error = 0;
        for (int at = 0; at < 128; ++at) error += (drawn(glyphs[code], at) - cell[at]) * (drawn(glyphs[code], at) - cell[at]);
        if (best < 0 || error < best_error) best = code, best_error = error;
    }
    return best;
}

}  // namespace

TEST(GlyphMatcher, ChoosesWhatABruteForceSearchOfAll256GlyphsChooses)
{
    std::mt19937 generator(3);
    for (std::uint32_t seed = 0; seed < 6; ++seed) {
        GlyphTable glyphs = glyphsOf(randomBytes(8192, seed));
        // Duplicated glyphs make ties that only the lowest code may win.
        glyphs[77] = glyphs[5];
        glyphs[77 + 128] = glyphs[5 + 128];
        if (seed % 2) glyphs[200][3] ^= 0x10;  // a table that breaks the inverse rule is matched in full
        const GlyphMatcher matcher(glyphs);
        for (int trial = 0; trial < 400; ++trial) {
            alignas(16) std::uint8_t cell[128];
            for (int at = 0; at < 128; ++at) {
                const auto noise = static_cast<int>(generator() % 256);
                const int kinds[] = {noise, noise < 128 ? kInk : kPaper, 100 + noise % 40, drawn(glyphs[77], at)};
                cell[at] = static_cast<std::uint8_t>(kinds[trial % 4]);
            }
            ASSERT_EQ(matcher.bestCode(cell, 8), bruteForceBest(glyphs, cell)) << "seed " << seed << " trial " << trial;
        }
    }
    // Every pixel drawn as paper and 10 levels off: a mean squared error of 100.
    const std::vector<std::uint8_t> off(kPicturePixels, static_cast<std::uint8_t>(kPaper - 10));
    EXPECT_NEAR(frameQualityDb(TextFrame{}, GlyphTable{}, off.data()), 10 * std::log10(255.0 * 255.0 / 100.0), 1e-9);
}

TEST(EncodeCommand, PngPicturesInNameOrderBecomeTheCodesThatDrawThem)
{
    TempDir dir;
    // Code 1 is ink on its top half, 2 a vertical bar, everything else blank: ties go to code 0.
    std::vector<std::uint8_t> font(8192, 0);
    std::fill_n(font.begin() + 32, 8, 0xFF);
    std::fill_n(font.begin() + 64, 16, 0x18);
    const std::uint8_t codes[] = {0, 128, 1, 129, 2};  // paper, solid ink, top half, bottom half, bar
    const auto code = [&](std::size_t cell, std::size_t shift) { return codes[(cell / 80 + cell % 80 + shift) % 5]; };
    std::filesystem::create_directories(dir.path() / "pictures");
    for (const auto& [name, shift] : std::vector<std::pair<std::string, std::size_t>>{{"b.png", 1}, {"a.png", 0}, {"c.PNG", 2}}) {
        TextFrame frame;
        for (std::size_t cell = 0; cell < kFrame; ++cell) frame.cells[cell] = code(cell, shift);
        dir.write("pictures/" + name, encodeRgbPng(renderFrame(frame, glyphsOf(font)), 640, 480));
    }
    dir.write("pictures/notes.txt", {'x'});
    const KvqRun run = kvq({"encode", dir.file("pictures"), "--font", dir.write("font", font), "-o", dir.file("out")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("3 frames (0.12 s)", 0), 0u) << run.out;
    EXPECT_NE(run.out.find("mean PSNR 100.00 dB"), std::string::npos) << run.out;
    EXPECT_EQ(folderEntries(dir.path() / "out"), (std::vector<std::string>{"quorva2.kvq", "test"}));
    EXPECT_EQ(readBytes(dir.file("out/test")), font);
    const auto frames = readBytes(dir.file("out/quorva2.kvq"));
    // The same glyphs as a console font are converted, not copied.
    std::vector<std::uint8_t> console = {0x36, 0x04, 0, 16};
    for (std::size_t at = 0; at < 256 * 16; ++at) console.push_back(font[at / 16 * 32 + at % 16]);
    ASSERT_EQ(kvq({"encode", dir.file("pictures"), "--font", dir.write("f.psf", console), "-o", dir.file("psf")}).status, 0);
    EXPECT_TRUE(readBytes(dir.file("psf/test")) == font && readBytes(dir.file("psf/quorva2.kvq")) == frames);
    ASSERT_EQ(frames.size(), 3 * kFrame);
    for (std::size_t at = 0; at < frames.size(); ++at) ASSERT_EQ(frames[at], code(at % kFrame, at / kFrame)) << at;

    // Half-size paper doubles to 640x240 between bars of 120 pixel rows, which are nearest to ink.
    std::filesystem::create_directories(dir.path() / "small");
    dir.write("small/1.png", encodeRgbPng(PackedPicture(320 * 120, kPaperColour), 320, 120));
    ASSERT_EQ(kvq({"encode", dir.file("small"), "--font", dir.file("font"), "-o", dir.file("small")}).status, 0);
    const auto small = readBytes(dir.file("small/quorva2.kvq"));
    ASSERT_EQ(small.size(), kFrame);
    // Text rows 7 and 22 straddle bar and picture: pixel rows 112-119 bar, then paper, and the reverse.
    for (int row = 0; row < 30; ++row) {
        const int expected = row == 7 ? 1 : row == 22 ? 129 : row < 7 || row > 22 ? 128 : 0;
        EXPECT_EQ(small[static_cast<std::size_t>(row * 80 + 40)], expected) << row;
    }
}
