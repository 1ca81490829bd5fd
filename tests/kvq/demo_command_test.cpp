// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <set>

#include "demo_animation.h"
#include "kvq_test_support.h"

namespace {

constexpr std::size_t kFrame = 2400;

std::vector<std::uint8_t> writeDemo(const TempDir& dir, const std::string& name)
{
    const KvqRun run = runKvqWith({"demo", "-o", dir.file(name)});
    EXPECT_EQ(run.status, 0) << run.err;
    return readBytes(dir.file(name));
}

}  // namespace

TEST(DemoAnimation, TwoRunsWriteTheSameBytes)
{
    TempDir dir;
    const auto first = writeDemo(dir, "one.kvq");
    const auto second = writeDemo(dir, "two.kvq");
    ASSERT_EQ(first.size(), static_cast<std::size_t>(kDemoFrameCount) * kFrame);
    EXPECT_TRUE(first == second) << "the demo differs between runs";
    EXPECT_EQ(folderEntries(dir.path()), (std::vector<std::string>{"one.kvq", "two.kvq"}));
}

TEST(DemoAnimation, LastsAtLeastThirtySecondsOfWholeFrames)
{
    TempDir dir;
    const auto bytes = writeDemo(dir, "demo.kvq");
    EXPECT_EQ(bytes.size() % kFrame, 0u);
    EXPECT_GE(bytes.size() / kFrame, 720u);  // 30 s at 24 frames per second
}

TEST(DemoAnimation, FramesKeepChanging)
{
    std::set<std::vector<std::uint8_t>> distinct;
    int unchanged_steps = 0;
    TextFrame previous = demoFrame(0);
    for (int index = 0; index < kDemoFrameCount; ++index) {
        const TextFrame frame = demoFrame(index);
        distinct.emplace(frame.cells.begin(), frame.cells.end());
        if (index > 0 && frame.cells == previous.cells) ++unchanged_steps;
        previous = frame;
    }
    // The end card may hold still for its last frames; everything else moves.
    EXPECT_GE(distinct.size(), static_cast<std::size_t>(kDemoFrameCount) * 9 / 10);
    EXPECT_LE(unchanged_steps, 24);
}

TEST(DemoAnimation, UsesPrintableAsciiAndItsInverses)
{
    std::array<int, 256> uses{};
    for (int index = 0; index < kDemoFrameCount; ++index) {
        for (const std::uint8_t code : demoFrame(index).cells) ++uses[code];
    }
    int plain = 0;
    int inverse = 0;
    for (int code = 0; code < 256; ++code) {
        if (uses[static_cast<std::size_t>(code)] == 0) continue;
        const int base = code & 0x7F;
        // Any console font draws printable ASCII the same; control codes and 127 vary.
        EXPECT_TRUE(base >= 32 && base <= 126) << "code " << code << " is used";
        (code < 128 ? plain : inverse) += 1;
    }
    EXPECT_GE(plain, 10);
    EXPECT_GE(inverse, 10);
}

TEST(DemoAnimation, EverySceneDrawsSomethingOfItsOwn)
{
    // Scenes are 8 s (192 frames) long; a scene that failed to draw would repeat or blank out.
    for (int scene = 0; scene < kDemoFrameCount / 192; ++scene) {
        const TextFrame middle = demoFrame(scene * 192 + 96);
        std::set<std::uint8_t> codes(middle.cells.begin(), middle.cells.end());
        EXPECT_GE(codes.size(), 4u) << "scene " << scene << " is nearly blank";
        if (scene > 0) {
            EXPECT_NE(middle.cells, demoFrame(scene * 192 - 96).cells) << "scene " << scene;
        }
    }
    EXPECT_THROW(demoFrame(kDemoFrameCount), std::out_of_range);
    EXPECT_THROW(demoFrame(-1), std::out_of_range);
}

TEST(DemoAnimation, UnwritableOutputFailsCleanly)
{
    TempDir dir;
    const KvqRun run = runKvqWith({"demo", "-o", dir.file("missing/demo.kvq")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(isOneLine(run.err)) << run.err;
    EXPECT_NE(run.err.find(dir.file("missing/demo.kvq")), std::string::npos) << run.err;
    EXPECT_TRUE(folderEntries(dir.path()).empty());
}
