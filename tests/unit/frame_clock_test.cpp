// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <random>

#include "app/frame_clock.h"

TEST(FrameClock, FramesFallDueEvery41AndTwoThirdsMs)
{
    EXPECT_EQ(frameIndexAt(0), 0);
    EXPECT_EQ(frameIndexAt(41), 0);
    EXPECT_EQ(frameIndexAt(42), 1);
    EXPECT_EQ(frameIndexAt(83), 1);
    EXPECT_EQ(frameIndexAt(84), 2);
    EXPECT_EQ(frameIndexAt(124), 2);
    EXPECT_EQ(frameIndexAt(125), 3);
    EXPECT_EQ(frameIndexAt(1000), 24);
}

TEST(FrameClock, DoubleRuleEqualsExactIntegerRuleOverTheWholeRange)
{
    auto exact = [](std::int64_t elapsed) { return static_cast<std::int32_t>(elapsed * 24 / 1000); };
    // Exhaustive near the start and at the top, sampled in between, and every multiple of 125 ms
    // (where elapsed * 24 / 1000 is a whole number and a rounding error would show) on the way.
    for (std::int64_t elapsed = 0; elapsed < 2'000'000; ++elapsed) ASSERT_EQ(frameIndexAt(static_cast<std::int32_t>(elapsed)), exact(elapsed)) << elapsed;
    for (std::int64_t elapsed = INT32_MAX - 2'000'000; elapsed <= INT32_MAX; ++elapsed) ASSERT_EQ(frameIndexAt(static_cast<std::int32_t>(elapsed)), exact(elapsed)) << elapsed;
    for (std::int64_t elapsed = 0; elapsed <= INT32_MAX; elapsed += 125) {
        ASSERT_EQ(frameIndexAt(static_cast<std::int32_t>(elapsed)), exact(elapsed)) << elapsed;
        ASSERT_EQ(frameIndexAt(static_cast<std::int32_t>(elapsed - 1 < 0 ? 0 : elapsed - 1)), exact(elapsed - 1 < 0 ? 0 : elapsed - 1));
    }
    std::mt19937 generator(1);
    std::uniform_int_distribution<std::int32_t> any(0, INT32_MAX);
    for (int i = 0; i < 5'000'000; ++i) {
        const std::int32_t elapsed = any(generator);
        ASSERT_EQ(frameIndexAt(elapsed), exact(elapsed)) << elapsed;
    }
}

TEST(FrameClock, SingleFloatPrecisionWouldNotDo)
{
    // Guards the reason the rule is computed in double: in float, 0.024 times some elapsed times
    // truncates one frame early or late.
    int disagreements = 0;
    for (std::int32_t elapsed = 0; elapsed < 10'000'000 && disagreements == 0; elapsed += 1) {
        const auto in_float = static_cast<std::int32_t>(static_cast<float>(elapsed) * 0.024f);
        if (in_float != frameIndexAt(elapsed)) ++disagreements;
    }
    EXPECT_GT(disagreements, 0);
}

TEST(FrameClock, ElapsedTimeSurvivesTheWrapOfThe32BitReading)
{
    EXPECT_EQ(elapsedMs(5, 0xFFFFFFF0u), 21);
    EXPECT_EQ(elapsedMs(0x00000010u, 0xFFFFFFFFu), 17);
    EXPECT_EQ(elapsedMs(1000, 1000), 0);
    EXPECT_EQ(elapsedMs(0x7FFFFFFFu, 0), INT32_MAX);
    EXPECT_EQ(elapsedMs(100, 200), -100) << "a clock that stepped back";
}

TEST(FrameClock, BackwardsClockGivesFrameZeroThenNegative)
{
    EXPECT_EQ(frameIndexAt(-41), 0);
    EXPECT_EQ(frameIndexAt(-42), -1);
    EXPECT_LT(frameIndexAt(INT32_MIN), 0);
}

TEST(FrameClock, WallClockReadingIsEpochMillisecondsWrapped)
{
    const auto before = std::chrono::system_clock::now();
    const std::uint32_t reading = wallClockMs();
    const auto after = std::chrono::system_clock::now();
    auto wrapped = [](std::chrono::system_clock::time_point t) {
        return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count());
    };
    EXPECT_GE(elapsedMs(reading, wrapped(before)), 0);
    EXPECT_GE(elapsedMs(wrapped(after), reading), 0);
}
