// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include "content/frame_list.h"
#include "support/frame_reference.h"
#include "support/test_files.h"

namespace {

void expectFrames(const FrameList& list, const std::vector<std::uint8_t>& bytes)
{
    const auto expected = playersFrames(bytes);
    ASSERT_EQ(list.size(), expected.size()) << bytes.size() << " bytes";
    for (std::size_t i = 0; i < expected.size(); ++i) {
        ASSERT_TRUE(std::equal(expected[i].begin(), expected[i].end(), list[i].cells.begin()))
            << "frame " << i << " of " << bytes.size() << " bytes";
    }
}

}  // namespace

TEST(FrameListLoad, WholeFramesThenATrailingBlockOfAtLeast30BytesOverThePreviousFrame)
{
    TempDir dir;
    for (std::size_t size :
         {0u, 29u, 30u, 100u, 2400u, 2 * 2400u + 29, 2 * 2400u + 30, 2 * 2400u + 45, 2 * 2400u + 2399, 1500 * 2400u}) {
        const auto bytes = randomBytes(size, static_cast<std::uint32_t>(size));
        FrameList from_file;
        ASSERT_EQ(from_file.load(dir.write("frames", bytes).c_str()), 0);
        expectFrames(from_file, bytes);
        FrameList from_memory;
        from_memory.loadBytes(bytes);
        expectFrames(from_memory, bytes);
    }
    EXPECT_EQ(playersFrames(randomBytes(2 * 2400 + 30, 1)).size(), 3u);
    EXPECT_EQ(playersFrames(randomBytes(2 * 2400 + 29, 1)).size(), 2u);

    FrameList list;
    EXPECT_EQ(list.load(dir.file("absent").c_str()), -1);
    EXPECT_TRUE(list.empty());
    FileProblem problem;
    const std::atomic<int> stop{15};
    EXPECT_EQ(list.load(dir.write("frames", randomBytes(2400 * 3000, 1)).c_str(), &problem, &stop), 0);
    EXPECT_EQ(problem.kind, FileProblem::Kind::interrupted)
        << "a termination signal stops loading before the file is in";
    EXPECT_LT(list.size(), 3000u);
}

#if !defined(__SANITIZE_ADDRESS__)
// Address space is capped in a child process (the sanitizers need far more than the cap to run).
TEST(FrameListLoad, RunningOutOfMemoryKeepsTheFramesReadSoFar)
{
    TempDir dir;
    const std::string big = dir.write("big", {1});
    std::filesystem::resize_file(big, 2400ull * 900'000);  // 2 GB of zeros that take no disk space
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        rlimit limit{};
        getrlimit(RLIMIT_AS, &limit);
        limit.rlim_cur = 512ull << 20;
        if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(10);
        FrameList list;
        FileProblem problem;
        const int result = list.load(big.c_str(), &problem);
        _exit(result == 0 && list.size() > 0 && list.size() < 900'000 &&
                      problem.kind == FileProblem::Kind::out_of_memory
                  ? 0
                  : 11);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "the loader crashed when memory ran out";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "loaded something, not everything, and said the file was read";
}
#endif
