// SPDX-License-Identifier: MIT
#include <cmath>
#include <functional>
#include <random>
#include <set>

#include "kvq/encode/encode_figures.h"
#include "kvq/encode/glyph_matcher.h"
#include "kvq/encode/luminance.h"
#include "kvq/encode/perceptual_matcher.h"
#include "kvq/encode/picture_fonts.h"
#include "kvq/encode/tone_levels.h"
#include "kvq/files/png_file.h"
#include "render/colours.h"
#include "support/kvq_test_support.h"

namespace {

constexpr int kInk = luminanceOf(kInkColour);
constexpr int kPaper = luminanceOf(kPaperColour);

// Pixel `at` (0-127, row after row) of a glyph as the player draws it.
int drawn(const Glyph& glyph, int at)
{
    return (glyph[static_cast<std::size_t>(at / 8)] >> (7 - at % 8)) & 1 ? kInk : kPaper;
}

// The definition itself: the squared error of every code, the least one, the lowest on a tie.
int bruteForceBest(const GlyphTable& glyphs, const std::uint8_t* cell)
{
    std::int64_t best_error = -1;
    int best = -1;
    for (int code = 0; code < 256; ++code) {
        std::int64_t error = 0;
        for (int at = 0; at < 128; ++at)
            error += (drawn(glyphs[code], at) - cell[at]) * (drawn(glyphs[code], at) - cell[at]);
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
}

TEST(PerceptualMatcher, ChoosesTheLeastErrorOfTheObjectiveAndHoldsWithinTheMargin)
{
    std::mt19937 generator(7);
    const CellObjective objective;
    for (std::uint32_t seed = 0; seed < 4; ++seed) {
        GlyphTable glyphs = glyphsOf(randomBytes(8192, seed + 10));
        if (seed % 2) glyphs[130][7] ^= 0x01;  // not an inverse: all 256 are weighed in full
        const PerceptualMatcher matcher(glyphs, objective);
        std::array<std::array<float, 128>, 256> pixels;
        for (int code = 0; code < 256; ++code) pixels[static_cast<std::size_t>(code)] = glyphPixels(glyphs[code]);
        for (int trial = 0; trial < 150; ++trial) {
            // Noise, soft gradients, and glyphs with noise on them.
            CellOffsets cell;
            std::array<float, 128> target;
            const int glyph = static_cast<int>(generator() % 256);
            for (std::size_t at = 0; at < 128; ++at) {
                const float noise = static_cast<float>(generator() % 256);
                const float kinds[] = {noise, static_cast<float>(20 + (at % 8) * 20 + at / 8),
                                       pixels[static_cast<std::size_t>(glyph)][at] + (noise - 128) / 8};
                cell[at] = cellOffset(kinds[trial % 3]);
                target[at] = static_cast<float>(luminanceOf(kPaperColour)) + cell[at] / 4.0f;
            }
            std::array<double, 256> reference;
            for (std::size_t code = 0; code < 256; ++code)
                reference[code] = objective.error(target.data(), pixels[code].data());
            const double least = *std::min_element(reference.begin(), reference.end());
            const std::uint8_t chosen = matcher.choose(cell, -1, 0.1f);
            ASSERT_LE(reference[chosen], least * 1.0005 + 1e-3) << "seed " << seed << " trial " << trial;
            // Another code is kept only while the best is not better than it by more than 10%.
            const auto other = static_cast<std::size_t>(generator() % 256);
            const double ratio = least / reference[other];
            if (std::abs(ratio - 0.9) < 0.002) continue;
            EXPECT_EQ(matcher.choose(cell, static_cast<int>(other), 0.1f) == other,
                      reference[other] == least || ratio > 0.9)
                << "ratio " << ratio;
        }
    }
}

TEST(EncodeFigures, MeasureTheDrawnFrameAgainstThePicture)
{
    // Every pixel drawn as paper and 10 levels off: a mean squared error of 100.
    const std::vector<std::uint8_t> off(kPicturePixels, static_cast<std::uint8_t>(kPaper - 10));
    TextFrame changed{};
    changed.cells[5] = 1;
    const FrameFigures figures = measureFrame(TextFrame{}, &changed, GlyphTable{}, off.data(), fullLevels());
    EXPECT_NEAR(figures.psnr, 10 * std::log10(255.0 * 255.0 / 100.0), 1e-9);
    EXPECT_DOUBLE_EQ(figures.flicker, 1.0 / 2400);
    // White is read as paper: all paper matches it exactly, by every measure.
    const std::vector<std::uint8_t> white(kPicturePixels, 255);
    const FrameFigures exact = measureFrame(TextFrame{}, nullptr, GlyphTable{}, white.data(), fullLevels());
    EXPECT_DOUBLE_EQ(exact.blurred_psnr, 100);
    EXPECT_NEAR(exact.ssim, 1.0, 1e-12);
    // Ink and paper in alternate pixel rows against the flat grey they average to: the blur and
    // the 1/8 scale take out the stripes that the per-pixel measure sees; cells alternately
    // ink and paper stay stripes at 1/8.
    std::vector<std::uint8_t> stripes_font(32, 0);
    for (std::size_t row = 0; row < 16; row += 2) stripes_font[row] = 0xFF;
    const GlyphTable stripes = glyphsOf(stripes_font);
    const std::vector<std::uint8_t> grey(kPicturePixels, 127);
    const FrameFigures fine = measureFrame(TextFrame{}, nullptr, stripes, grey.data(), fullLevels());
    EXPECT_LT(fine.psnr, 15);
    EXPECT_GT(fine.blurred_psnr, 45);
    EXPECT_GT(fine.ssim, 0.99);
    TextFrame coarse{};
    for (std::size_t cell = 0; cell < 2400; ++cell) coarse.cells[cell] = (cell / 80) % 2 ? 0 : 128;
    EXPECT_LT(measureFrame(coarse, nullptr, glyphsOf(std::vector<std::uint8_t>(32, 0)), grey.data(), fullLevels()).ssim,
              0.1);
}

TEST(PictureFonts, TonesAreAnOrderedDitherOfEveryInkCount)
{
    const FontFileBytes font = tonesFont();
    const GlyphTable tones = glyphsOf({font.begin(), font.end()});
    for (int level = 0; level <= 64; ++level) {
        int ink = 0;
        for (int at = 0; at < 128; ++at) {
            const bool set = drawn(tones[level], at) == kInk;
            ink += set;
            // A level keeps every dot of the one before.
            ASSERT_TRUE(set || level == 0 || drawn(tones[level - 1], at) != kInk) << level << " " << at;
        }
        ASSERT_EQ(ink, level);
    }
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
    for (const auto& [name, shift] :
         std::vector<std::pair<std::string, std::size_t>>{{"b.png", 1}, {"a.png", 0}, {"c.PNG", 2}}) {
        TextFrame frame;
        for (std::size_t cell = 0; cell < kFrame; ++cell) frame.cells[cell] = code(cell, shift);
        dir.write("pictures/" + name, encodeRgbPng(renderFrame(frame, glyphsOf(font)), 640, 480));
    }
    dir.write("pictures/notes.txt", {'x'});
    const KvqRun run = kvq(
        {"encode", dir.file("pictures"), "--font", dir.write("font", font), "-o", dir.file("out"), "--match", "pixel"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("3 frames (0.12 s)", 0), 0u) << run.out;
    EXPECT_NE(run.out.find("PSNR 100.00 dB"), std::string::npos) << run.out;
    EXPECT_EQ(folderEntries(dir.path() / "out"), (std::vector<std::string>{"quorva2.kvq", "test"}));
    EXPECT_EQ(readBytes(dir.file("out/test")), font);
    const auto frames = readBytes(dir.file("out/quorva2.kvq"));
    // The same glyphs as a console font are converted, not copied.
    std::vector<std::uint8_t> console = {0x36, 0x04, 0, 16};
    for (std::size_t at = 0; at < 256 * 16; ++at) console.push_back(font[at / 16 * 32 + at % 16]);
    ASSERT_EQ(kvq({"encode", dir.file("pictures"), "--font", dir.write("f.psf", console), "-o", dir.file("psf"),
                   "--match", "pixel"})
                  .status,
              0);
    EXPECT_TRUE(readBytes(dir.file("psf/test")) == font && readBytes(dir.file("psf/quorva2.kvq")) == frames);
    ASSERT_EQ(frames.size(), 3 * kFrame);
    for (std::size_t at = 0; at < frames.size(); ++at) ASSERT_EQ(frames[at], code(at % kFrame, at / kFrame)) << at;

    // Half-size paper doubles to 640x240 between bars of 120 pixel rows, which are nearest to ink.
    std::filesystem::create_directories(dir.path() / "small");
    dir.write("small/1.png", encodeRgbPng(PackedPicture(320 * 120, kPaperColour), 320, 120));
    ASSERT_EQ(
        kvq({"encode", dir.file("small"), "--font", dir.file("font"), "-o", dir.file("small"), "--match", "pixel"})
            .status,
        0);
    const auto small = readBytes(dir.file("small/quorva2.kvq"));
    ASSERT_EQ(small.size(), kFrame);
    // Text rows 7 and 22 straddle bar and picture: pixel rows 112-119 bar, then paper, and the reverse.
    for (int row = 0; row < 30; ++row) {
        const int expected = row == 7 ? 1 : row == 22 ? 129 : row < 7 || row > 22 ? 128 : 0;
        EXPECT_EQ(small[static_cast<std::size_t>(row * 80 + 40)], expected) << row;
    }
}

namespace {

PackedPicture greyPicture(const std::function<int(int x, int y)>& level)
{
    PackedPicture picture(kPicturePixels);
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x)
            picture[static_cast<std::size_t>(y * 640 + x)] =
                0x010101u * static_cast<std::uint32_t>(std::clamp(level(x, y), 0, 255));
    }
    return picture;
}

// The share of ink in each of the 80 text columns of a frame, over all its rows.
std::vector<double> inkByColumn(const std::vector<std::uint8_t>& frame, const GlyphTable& glyphs)
{
    std::vector<double> ink(80, 0.0);
    for (std::size_t cell = 0; cell < kFrame; ++cell) {
        for (int at = 0; at < 128; ++at)
            ink[cell % 80] += drawn(glyphs[frame[cell]], at) == kInk ? 1.0 / (128 * 30) : 0.0;
    }
    return ink;
}

}  // namespace

TEST(EncodeCommand, PerceptualTonesLevelsAndAHoldOnStillPictures)
{
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "ramp");
    dir.write("ramp/1.png", encodeRgbPng(greyPicture([](int x, int) { return 64 + x / 5; }), 640, 480));
    const auto tones = tonesFont();
    const GlyphTable glyphs = glyphsOf({tones.begin(), tones.end()});
    std::vector<double> ink[2];
    for (const char* levels : {"full", "auto"}) {
        ASSERT_EQ(
            kvq({"encode", dir.file("ramp"), "--font", "tones", "--levels", levels, "-o", dir.file(levels)}).status, 0);
        EXPECT_EQ(readBytes(dir.file(std::string(levels) + "/test")),
                  std::vector<std::uint8_t>(tones.begin(), tones.end()));
        ink[levels[0] == 'a'] = inkByColumn(readBytes(dir.file(std::string(levels) + "/quorva2.kvq")), glyphs);
    }
    // A ramp of densities, darker to the left, not two flat halves; mid-greys are not ink.
    for (const auto& columns : ink) {
        EXPECT_GT(std::set<double>(columns.begin(), columns.end()).size(), 30u);
        for (std::size_t column = 4; column < 80; ++column)
            EXPECT_LE(columns[column], columns[column - 4] + 1e-9) << column;
    }
    EXPECT_NEAR(ink[0][0], 0.75, 0.05);
    EXPECT_NEAR(ink[0][79], 0.27, 0.05);
    // Its own range stretched: nearly ink at the left, nearly paper at the right.
    EXPECT_GT(ink[1][0], 0.95);
    EXPECT_LT(ink[1][79], 0.05);

    // A still picture under fresh noise in every frame: held, it does not change after the first.
    std::filesystem::create_directories(dir.path() / "still");
    std::mt19937 generator(11);
    for (int index = 0; index < 5; ++index) {
        dir.write("still/" + std::to_string(index) + ".png",
                  encodeRgbPng(greyPicture([&](int x, int y) {
                                   return static_cast<int>(128 + 90 * std::sin(x / 40.0) * std::cos(y / 30.0) +
                                                           static_cast<int>(generator() % 21) - 10);
                               }),
                               640, 480));
    }
    for (const char* hold : {"10", "0"}) {
        const KvqRun run = kvq({"encode", dir.file("still"), "--font", "tones", "--hold", hold, "-o",
                                dir.file(std::string("still") + hold)});
        ASSERT_EQ(run.status, 0) << run.err;
        const auto frames = readBytes(dir.file(std::string("still") + hold + "/quorva2.kvq"));
        ASSERT_EQ(frames.size(), 5 * kFrame);
        const bool still = std::equal(frames.begin(), frames.end() - kFrame, frames.begin() + kFrame);
        EXPECT_EQ(still, hold[0] == '1') << run.out;
        EXPECT_EQ(run.out.find("flicker 0.000") != std::string::npos, hold[0] == '1') << run.out;
    }
}

TEST(EncodeCommand, ALearnedFontFindsTheGlyphsThePicturesWereDrawnWith)
{
    TempDir dir;
    // Eight glyphs and their inverses, scattered over three pictures.
    std::vector<std::uint8_t> font(8192, 0);
    const auto random = randomBytes(8 * 16, 21);
    for (std::size_t at = 0; at < random.size(); ++at) font[at / 16 * 32 + at % 16] = random[at];
    std::filesystem::create_directories(dir.path() / "drawn");
    std::mt19937 generator(5);
    for (int index = 0; index < 3; ++index) {
        TextFrame frame;
        for (auto& code : frame.cells) code = static_cast<std::uint8_t>(generator() % 8 + (generator() % 2) * 128);
        dir.write("drawn/" + std::to_string(index) + ".png",
                  encodeRgbPng(renderFrame(frame, glyphsOf(font)), 640, 480));
    }
    const KvqRun run = kvq({"encode", dir.file("drawn"), "--font", "learn", "--levels", "auto", "-o", dir.file("out")});
    ASSERT_EQ(run.status, 0) << run.err;
    // Drawn again with the learned font, every frame is its picture: PSNR 100 per pixel.
    EXPECT_NE(run.out.find("\nPSNR 100.00 dB, blurred PSNR 100.00 dB, SSIM at 1/8 1.000"), std::string::npos)
        << run.out;
}

TEST(ToneLevels, AutoClipsTwoPercentAtEachEnd)
{
    // 1.5% of the pixels black and 1.5% white, the rest 60..195: both ends lie within the 2%
    // clipped, so the range taken is the rest's; clipping nothing would keep 0..255.
    std::vector<std::uint8_t> picture;
    for (int i = 0; i < 10000; ++i)
        picture.push_back(static_cast<std::uint8_t>(i < 150 ? 0 : i < 300 ? 255 : 60 + i % 136));
    const std::vector<std::vector<std::uint8_t>> pictures = {picture};
    const ToneLevels levels = stretchedLevels(pictures);
    EXPECT_GE(levels.black, 60);
    EXPECT_LE(levels.black, 64);
    EXPECT_LE(levels.white, 195);
    EXPECT_GE(levels.white, 191);
}
