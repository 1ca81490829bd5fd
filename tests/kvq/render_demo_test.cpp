// SPDX-License-Identifier: MIT
#include <set>

#include "kvq/demo/demo_animation.h"
#include "kvq/files/png_file.h"
#include "support/kvq_test_support.h"

TEST(RenderCommand, PictureIsTheRasterisersPixelsOfEveryFrameTheLoaderSees)
{
    TempDir dir;
    const auto font = randomBytes(8192, 11);
    const std::string font_path = dir.write("test", font);
    // Tails that are ignored (29) or make a short last frame from the previous one (30, 1000).
    for (const std::size_t tail : {0u, 29u, 30u, 1000u}) {
        const std::string animation =
            dir.write("anim.kvq", randomBytes(3 * kFrame + tail, static_cast<std::uint32_t>(tail)));
        const auto pictures = playersPictures(animation, font);
        for (std::size_t index = 0; index < pictures.size(); ++index) {
            const std::string output = dir.file("frame.png");
            const KvqRun run =
                kvq({"render", animation, "--font", font_path, "--frame", std::to_string(index), "-o", output});
            ASSERT_EQ(run.status, 0) << run.err;
            // Straight from the header: 640x480, bit depth 8, colour type 2 (RGB).
            const auto png = readBytes(output);
            EXPECT_EQ(std::vector(png.begin() + 16, png.begin() + 26),
                      (std::vector<std::uint8_t>{0, 0, 2, 128, 0, 0, 1, 224, 8, 2}));
            const auto rgb = readPngRgb(output, 640).rgb;
            ASSERT_TRUE(std::string(rgb.begin(), rgb.end()) == rgbBytes({pictures[index]}))
                << index << " of tail " << tail;
        }
        const std::string past = std::to_string(pictures.size());
        expectRefused(dir.path(), {"render", animation, "--font", font_path, "--frame", past, "-o", dir.file("x.png")},
                      "there is no frame " + past);
    }
}

TEST(DemoAnimation, MovesThroughoutInPrintableAsciiAndItsInverses)
{
    std::set<std::vector<std::uint8_t>> distinct;
    std::array<bool, 256> used{};
    for (int index = 0; index < kDemoFrameCount; ++index) {
        const TextFrame frame = demoFrame(index);
        distinct.emplace(frame.cells.begin(), frame.cells.end());
        for (const std::uint8_t code : frame.cells) used[code] = true;
    }
    // The end card may hold still for its last frames; everything else moves.
    EXPECT_GE(distinct.size(), static_cast<std::size_t>(kDemoFrameCount) * 9 / 10);
    // Any console font draws printable ASCII the same; control codes and 127 vary.
    for (std::size_t code = 0; code < 256; ++code) {
        EXPECT_TRUE(!used[code] || ((code & 0x7F) >= 32 && (code & 0x7F) < 127)) << code;
    }
    EXPECT_TRUE(used['A'] && used['A' | 0x80]);
}
