// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "content/frame_list.h"
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <thread>

#include "test_files.h"

namespace {

constexpr std::size_t kFrame = 2400;

// Frames whose every cell differs from the same cell of its neighbours, so a wrong copy shows.
std::vector<std::uint8_t> frameBytes(std::size_t frames) { return randomBytes(frames * kFrame, 99); }

void expectFrameEquals(const TextFrame& frame, const std::uint8_t* expected, const char* what)
{
    for (std::size_t cell = 0; cell < kFrame; ++cell) {
        ASSERT_EQ(frame.cells[cell], expected[cell]) << what << ", cell " << cell;
    }
}

}  // namespace

TEST(FrameListLoad, WholeFramesArriveInFileOrder)
{
    TempDir dir;
    for (std::size_t n : {1u, 3u, 1500u}) {
        const auto bytes = frameBytes(n);
        FrameList list;
        ASSERT_EQ(list.load(dir.write("frames", bytes).c_str()), 0);
        ASSERT_EQ(list.size(), n);
        for (std::size_t i = 0; i < n; ++i) expectFrameEquals(list[i], bytes.data() + i * kFrame, "whole frame");
    }
}

TEST(FrameListLoad, ShortLastFrameKeepsPreviousFramesTail)
{
    TempDir dir;
    for (std::size_t extra : {30u, 45u, 2399u}) {
        const std::size_t n = 2;
        const auto bytes = randomBytes(n * kFrame + extra, static_cast<std::uint32_t>(extra));
        FrameList list;
        ASSERT_EQ(list.load(dir.write("frames", bytes).c_str()), 0);
        ASSERT_EQ(list.size(), n + 1) << extra << " trailing bytes";
        std::vector<std::uint8_t> expected(bytes.begin() + static_cast<std::ptrdiff_t>((n - 1) * kFrame),
                                           bytes.begin() + static_cast<std::ptrdiff_t>(n * kFrame));
        std::copy(bytes.begin() + static_cast<std::ptrdiff_t>(n * kFrame), bytes.end(), expected.begin());
        expectFrameEquals(list[n], expected.data(), "partial frame");
        expectFrameEquals(list[n - 1], bytes.data() + (n - 1) * kFrame, "frame before it");
    }
}

TEST(FrameListLoad, TrailingBlockShorterThanOneUnitIsIgnored)
{
    TempDir dir;
    const auto bytes = randomBytes(3 * kFrame + 29, 5);
    FrameList list;
    ASSERT_EQ(list.load(dir.write("frames", bytes).c_str()), 0);
    EXPECT_EQ(list.size(), 3u);

    for (std::size_t size : {0u, 1u, 29u}) {
        FrameList tiny;
        ASSERT_EQ(tiny.load(dir.write("tiny", randomBytes(size, 1)).c_str()), 0);
        EXPECT_TRUE(tiny.empty()) << size << " bytes";
    }
}

TEST(FrameListLoad, ShortFirstFrameFillsTheRestWithCodeZero)
{
    TempDir dir;
    const auto bytes = randomBytes(100, 3);
    FrameList list;
    ASSERT_EQ(list.load(dir.write("frames", bytes).c_str()), 0);
    ASSERT_EQ(list.size(), 1u);
    for (std::size_t cell = 0; cell < kFrame; ++cell) {
        ASSERT_EQ(list[0].cells[cell], cell < 100 ? bytes[cell] : 0) << "cell " << cell;
    }
}

TEST(FrameListLoad, MissingFileFailsAndAnotherFileAppends)
{
    TempDir dir;
    FrameList list;
    EXPECT_EQ(list.load(dir.file("absent").c_str()), -1);
    EXPECT_TRUE(list.empty());

    const auto first = frameBytes(2);
    const auto second = randomBytes(kFrame + 40, 11);
    ASSERT_EQ(list.load(dir.write("a", first).c_str()), 0);
    ASSERT_EQ(list.load(dir.write("b", second).c_str()), 0);
    ASSERT_EQ(list.size(), 4u);
    expectFrameEquals(list[2], second.data(), "first frame of the second file");
    EXPECT_EQ(list.load(dir.file("absent").c_str()), -1);
    EXPECT_EQ(list.size(), 4u);
}

TEST(FrameListLoad, ReadsFromAPipeWhoseSizeIsUnknown)
{
    TempDir dir;
    const auto bytes = randomBytes(5 * kFrame + 31, 17);
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::thread writer([&] {
        std::ofstream out(fifo, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    });
    FrameList list;
    const int result = list.load(fifo.c_str());
    writer.join();
    ASSERT_EQ(result, 0);
    ASSERT_EQ(list.size(), 6u);
    expectFrameEquals(list[4], bytes.data() + 4 * kFrame, "frame 4");
    EXPECT_EQ(list[5].cells[30], bytes[5 * kFrame + 30]);
    EXPECT_EQ(list[5].cells[31], bytes[4 * kFrame + 31]);
}

#if !defined(__SANITIZE_ADDRESS__)
// Address space is capped in a child process (the sanitizers need far more than the cap to run).
TEST(FrameListLoad, RunningOutOfMemoryKeepsTheFramesReadSoFar)
{
    TempDir dir;
    const std::string big = dir.file("big");
    {
        std::ofstream out(big, std::ios::binary);
        out.write("x", 1);
    }
    // 2 GB of zeros that take no disk space.
    std::filesystem::resize_file(big, 2400ull * 900'000);

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        rlimit limit{};
        getrlimit(RLIMIT_AS, &limit);
        limit.rlim_cur = 512ull << 20;
        if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(10);
        FrameList list;
        const int result = list.load(big.c_str());
        // Loaded something, not everything, and said the file was read.
        _exit(result == 0 && list.size() > 0 && list.size() < 900'000 ? 0 : 11);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "the loader crashed when memory ran out";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
#endif
