// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "app/frame_clock.h"

TEST(FrameClock, FrameKFallsDueAtKTimes1000Over24Ms)
{
    const std::pair<std::int32_t, std::int32_t> due[] = {{0, 0},   {41, 0},  {42, 1},    {83, 1},  {84, 2},
                                                         {124, 2}, {125, 3}, {1000, 24}, {-41, 0}, {-42, -1}};
    for (const auto& [elapsed_ms, index] : due) EXPECT_EQ(frameIndexAt(elapsed_ms), index) << elapsed_ms << " ms";
}

TEST(FrameClock, TruncatesElapsedTimes24Over1000OverTheWholeRange)
{
    const auto exact = [](std::int64_t elapsed) { return static_cast<std::int32_t>(elapsed * 24 / 1000); };
    // Every multiple of 125 ms (where the product is whole and a rounding error would show) and
    // the millisecond before it, and the top of the range.
    for (std::int64_t elapsed = 125; elapsed <= INT32_MAX; elapsed += 125) {
        ASSERT_EQ(frameIndexAt(static_cast<std::int32_t>(elapsed)), exact(elapsed)) << elapsed;
        ASSERT_EQ(frameIndexAt(static_cast<std::int32_t>(elapsed - 1)), exact(elapsed - 1)) << elapsed - 1;
    }
    for (std::int64_t elapsed = INT32_MAX - 100'000; elapsed <= INT32_MAX; ++elapsed) {
        ASSERT_EQ(frameIndexAt(static_cast<std::int32_t>(elapsed)), exact(elapsed)) << elapsed;
    }
}
