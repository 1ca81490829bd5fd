// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstring>

#include "content/frame_list.h"
#include "content/glyph_table.h"
#include "frame_reader.h"
#include "kvq_test_support.h"
#include "render/colours.h"

namespace {

constexpr std::size_t kFrame = 2400;

// The rasteriser's own picture of `frame`, as 0x00RRGGBB pixels.
std::vector<std::uint32_t> rasterise(const TextFrame& frame, const std::vector<std::uint8_t>& font)
{
    GlyphTable glyphs;
    glyphs.fillFrom(font.data(), font.size());
    std::vector<std::uint32_t> pixels(640 * 480);
    frame.draw({reinterpret_cast<std::uint8_t*>(pixels.data()), 640 * 4}, glyphs);
    return pixels;
}

std::uint32_t pngPixel(const DecodedPng& png, int x, int y)
{
    const std::size_t at = (static_cast<std::size_t>(y) * png.width + static_cast<std::size_t>(x)) * 3;
    return static_cast<std::uint32_t>(png.rgb[at]) << 16 | static_cast<std::uint32_t>(png.rgb[at + 1]) << 8 | png.rgb[at + 2];
}

void expectPngShows(const std::string& path, const std::vector<std::uint32_t>& expected)
{
    const DecodedPng png = decodePng(path);
    ASSERT_TRUE(png.ok) << path << " is not a readable PNG";
    ASSERT_EQ(png.width, 640u);
    ASSERT_EQ(png.height, 480u);
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            ASSERT_EQ(pngPixel(png, x, y), expected[static_cast<std::size_t>(y * 640 + x)]) << "pixel " << x << "," << y;
        }
    }
}

struct RenderFixture {
    TempDir dir;
    std::vector<std::uint8_t> font = randomBytes(8192, 11);
    std::string font_path = dir.write("test", font);
};

}  // namespace

TEST(RenderCommand, PictureIsTheRasterisersFrameAsEightBitRgb)
{
    RenderFixture fixture;
    // Known content: a glyph whose top-left pixel alone is ink, in the top-left cell of frame 1.
    std::vector<std::uint8_t> font(8192, 0);
    font[1 * 32] = 0x80;
    const std::string font_path = fixture.dir.write("corner-font", font);
    auto frames = randomBytes(3 * kFrame, 4);
    std::fill(frames.begin() + kFrame, frames.begin() + 2 * kFrame, 0);
    frames[kFrame] = 1;
    const std::string animation = fixture.dir.write("anim.kvq", frames);

    const std::string output = fixture.dir.file("frame.png");
    const KvqRun run = runKvqWith({"render", animation, "--font", font_path, "--frame", "1", "-o", output});
    ASSERT_EQ(run.status, 0) << run.err;

    TextFrame expected_frame;
    std::memcpy(expected_frame.cells.data(), frames.data() + kFrame, kFrame);
    expectPngShows(output, rasterise(expected_frame, font));
    const DecodedPng png = decodePng(output);
    EXPECT_EQ(pngPixel(png, 0, 0), kInkColour);
    EXPECT_EQ(pngPixel(png, 1, 0), kPaperColour);
    EXPECT_EQ(pngPixel(png, 0, 1), kPaperColour);
    EXPECT_EQ(png.file_format, static_cast<std::uint32_t>(PNG_FORMAT_RGB));

    // Straight from the header: bit depth 8, colour type 2 (RGB).
    const auto bytes = readBytes(output);
    ASSERT_GT(bytes.size(), 26u);
    EXPECT_EQ(bytes[24], 8);
    EXPECT_EQ(bytes[25], 2);
}

TEST(RenderCommand, EveryFrameMatchesThePlayersLoaderIncludingAShortLastOne)
{
    RenderFixture fixture;
    for (std::size_t tail : {0u, 29u, 30u, 1000u}) {
        const auto bytes = randomBytes(3 * kFrame + tail, static_cast<std::uint32_t>(tail) + 1);
        const std::string animation = fixture.dir.write("anim.kvq", bytes);
        FrameList loaded;
        ASSERT_EQ(loaded.load(animation.c_str()), 0);
        for (std::size_t index = 0; index < loaded.size(); ++index) {
            const std::string output = fixture.dir.file("frame" + std::to_string(index) + ".png");
            const KvqRun run = runKvqWith({"render", animation, "--font", fixture.font_path, "--frame",
                                           std::to_string(index), "-o", output});
            ASSERT_EQ(run.status, 0) << run.err;
            expectPngShows(output, rasterise(loaded[index], fixture.font));
        }
        const KvqRun past = runKvqWith({"render", animation, "--font", fixture.font_path, "--frame",
                                        std::to_string(loaded.size()), "-o", fixture.dir.file("past.png")});
        EXPECT_EQ(past.status, 1) << tail << " trailing bytes";
    }
}

TEST(RenderCommand, OutOfRangeAndMissingInputsFailWithoutOutput)
{
    RenderFixture fixture;
    const std::string animation = fixture.dir.write("anim.kvq", randomBytes(2 * kFrame + 10, 5));
    const std::string tiny = fixture.dir.write("tiny.kvq", randomBytes(29, 5));
    const std::string output = fixture.dir.file("out.png");
    const auto before = folderEntries(fixture.dir.path());

    struct Case {
        std::vector<std::string> arguments;
        std::string cause;
    };
    const std::vector<Case> cases = {
        {{"render", animation, "--font", fixture.font_path, "--frame", "2", "-o", output}, "no frame 2"},
        {{"render", animation, "--font", fixture.font_path, "--frame", "99999999999999999", "-o", output}, "no frame"},
        {{"render", tiny, "--font", fixture.font_path, "--frame", "0", "-o", output}, "no frames"},
        {{"render", fixture.dir.file("none.kvq"), "--font", fixture.font_path, "--frame", "0", "-o", output},
         "No such file"},
        {{"render", animation, "--font", fixture.dir.file("none"), "--frame", "0", "-o", output}, "No such file"},
        {{"render", animation, "--font", fixture.font_path, "--frame", "0", "-o", fixture.dir.file("no/dir.png")},
         "no/dir.png"},
    };
    for (const Case& test : cases) {
        const KvqRun run = runKvqWith(test.arguments);
        EXPECT_EQ(run.status, 1) << test.cause;
        EXPECT_TRUE(isOneLine(run.err)) << run.err;
        EXPECT_NE(run.err.find(test.cause), std::string::npos) << "wanted '" << test.cause << "' in: " << run.err;
        EXPECT_EQ(folderEntries(fixture.dir.path()), before) << test.cause;
    }
}

TEST(RenderCommand, NeverOverwritesTheAnimationOrTheFont)
{
    RenderFixture fixture;
    const auto frames = randomBytes(kFrame, 6);
    const std::string animation = fixture.dir.write("anim.kvq", frames);
    for (const std::string& output : {animation, fixture.font_path}) {
        const KvqRun run = runKvqWith({"render", animation, "--font", fixture.font_path, "--frame", "0", "-o", output});
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find("refusing to overwrite"), std::string::npos) << run.err;
    }
    EXPECT_EQ(readBytes(animation), frames);
    EXPECT_EQ(readBytes(fixture.font_path), fixture.font);
}

TEST(FrameReader, ReadsOnlyTheFrameAskedForFromALargeFile)
{
    TempDir dir;
    // A sparse file of about 24 GB: reading it whole would take minutes and all the memory.
    const std::string path = dir.file("huge.kvq");
    const std::uint64_t frames = 10'000'000;
    {
        std::ofstream out(path, std::ios::binary);
        out.seekp(static_cast<std::streamoff>(frames * kFrame + 100 - 1));
        out.put('\x07');
    }
    const TextFrame last = readFrame(path, frames);
    // The short last frame: 99 zero cells, a 7, then the previous (zero) frame's tail.
    EXPECT_EQ(last.cells[98], 0);
    EXPECT_EQ(last.cells[99], 7);
    EXPECT_EQ(last.cells[100], 0);
}
