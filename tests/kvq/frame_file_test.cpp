// SPDX-License-Identifier: MIT
#include <fstream>

#include "kvq/common/tool_error.h"
#include "kvq/export/frame_stream.h"
#include "kvq/files/frame_file.h"
#include "support/kvq_test_support.h"

namespace {

bool same(const TextFrame* frame, const std::vector<std::uint8_t>& expected)
{
    return frame && std::equal(expected.begin(), expected.end(), frame->cells.begin());
}

}  // namespace

TEST(FrameFile, ThePlayersFramesInAnyOrderAndInStreamAtEveryEdgeOfTheShortLastFrame)
{
    TempDir dir;
    // Around one frame's worth of trailing bytes: ignored (29), a short last frame (30, 2399),
    // whole (2400), a whole one and an ignored byte (2401). 48 whole frames before put a short
    // frame at the start of a block of its own, so that the frame before comes from another.
    for (const std::size_t whole : {0u, 1u, 47u, 48u}) {
        for (const std::size_t tail : {0u, 29u, 30u, 2399u, 2400u, 2401u}) {
            const auto seed = static_cast<std::uint32_t>(whole * 7 + tail);
            const auto bytes = randomBytes(whole * kFrame + tail, seed);
            const std::string path = dir.write("anim.kvq", bytes);
            const auto expected = playersFrames(bytes);
            const std::string where = std::to_string(whole) + " frames + " + std::to_string(tail);
            for (const std::uint64_t block_frames : {std::uint64_t{1}, FrameFile::kBlockFrames}) {
                FrameFile file(path, block_frames);
                ASSERT_EQ(file.frameCount(), expected.size()) << where;
                // Backwards, then forwards, so that blocks are read, dropped and read again.
                for (std::size_t i = expected.size(); i-- > 0;) {
                    ASSERT_TRUE(same(file.frame(i), expected[i])) << where << " #" << i;
                }
                for (std::size_t i = 0; i < expected.size(); ++i) {
                    ASSERT_TRUE(same(file.frame(i), expected[i])) << where << " #" << i;
                }
                EXPECT_EQ(file.frame(expected.size()), nullptr);
            }
            FrameStream stream(path);
            TextFrame frame;
            for (const auto& wanted : expected) {
                ASSERT_TRUE(stream.next(frame) && same(&frame, wanted)) << where;
            }
            EXPECT_FALSE(stream.next(frame));
            if (!expected.empty()) {
                const TextFrame last = readFrame(path, expected.size() - 1);
                EXPECT_TRUE(same(&last, expected.back())) << where;
            }
        }
    }
}

TEST(FrameFile, AFileCutShortWhileOpenGivesItsWholeFramesAndSaysSo)
{
    TempDir dir;
    const std::string path = dir.write("cut.kvq", randomBytes(200 * kFrame, 8));
    FrameFile file(path);
    std::filesystem::resize_file(path, 100 * kFrame + 500);
    EXPECT_NE(file.frame(99), nullptr);
    EXPECT_EQ(file.frame(100), nullptr);
    EXPECT_EQ(file.frame(150), nullptr);
    EXPECT_EQ(file.frameCount(), 200u) << "the length stays what it was when opened";
    try {
        file.existingFrame(120);
        ADD_FAILURE() << "gave a frame the file no longer holds";
    } catch (const ToolError& error) {
        EXPECT_EQ(std::string(error.what()), path + ": the file got shorter while being read");
    }

    FileProblem problem;
    FrameFile none(dir.file("missing.kvq"), problem);
    EXPECT_EQ(problem.kind, FileProblem::Kind::cannot_open);
    EXPECT_EQ(none.frameCount(), 0u);
    EXPECT_EQ(none.frame(0), nullptr);
}

TEST(FrameFile, AFourGigabyteFileIsReadOnlyWhereItIsWanted)
{
    TempDir dir;
    const std::string path = dir.file("big.kvq");
    const std::uint64_t size = 4'294'967'295u;  // 1'789'569 whole frames and a short one of 1695 bytes
    {
        // Sparse: no disk; a mark in the last frame and one in the frame before, to see where they land.
        std::ofstream file(path, std::ios::binary);
        file.seekp(static_cast<std::streamoff>((size / kFrame - 1) * kFrame + 2000)).put('\x05');
        file.seekp(static_cast<std::streamoff>(size / kFrame * kFrame + 3)).put('\x07');
        file.seekp(static_cast<std::streamoff>(size - 1)).put('\0');
    }
    ASSERT_EQ(std::filesystem::file_size(path), size);
    FileProblem problem;
    FrameFile file(path, problem);
    EXPECT_EQ(problem.kind, FileProblem::Kind::none);
    EXPECT_EQ(file.bytesRead(), 0u) << "opening reads nothing";
    ASSERT_EQ(file.frameCount(), size / kFrame + 1);
    const TextFrame* last = file.frame(file.frameCount() - 1);
    ASSERT_NE(last, nullptr);
    // Its own bytes, then the frame before's past them.
    EXPECT_TRUE(last->cells[3] == 7 && last->cells[1694] == 0);
    EXPECT_TRUE(last->cells[1695] == 0 && last->cells[2000] == 5);
    // The last frame's block and the frame before's block, at most.
    EXPECT_LE(file.bytesRead(), 2 * FrameFile::kBlockFrames * kFrame);
    ASSERT_NE(file.frame(file.frameCount() / 2), nullptr);
    EXPECT_LE(file.bytesRead(), 3 * FrameFile::kBlockFrames * kFrame);

    // One frame of it, as kvq render asks: that frame and the one before.
    const TextFrame one = readFrame(path, file.frameCount() - 1);
    EXPECT_EQ(one.cells, last->cells);
}
