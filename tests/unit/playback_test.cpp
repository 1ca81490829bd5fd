// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>

#include "content/frame_list.h"
#include "fake_boundary.h"

namespace {

constexpr std::uint8_t kEscape = 1;

// A font in which code c shows the bit pattern c across its top row, so the screen tells which
// frame was drawn last.
class PlaybackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::vector<std::uint8_t> font(4096, 0);
        for (int code = 0; code < 128; ++code) font[static_cast<std::size_t>(code * 32)] = static_cast<std::uint8_t>(code);
        glyphTable.fillFrom(font.data(), font.size());
    }
    void TearDown() override { glyphTable = GlyphTable{}; }

    static FrameList framesNumbered(int count)
    {
        FrameList list;
        for (int i = 0; i < count; ++i) list.append(filledFrame(static_cast<std::uint8_t>(i + 1)));
        return list;
    }

    static std::size_t count(const std::vector<std::string>& calls, const std::string& name)
    {
        return static_cast<std::size_t>(std::count(calls.begin(), calls.end(), name));
    }

    FakeBoundary boundary;
};

}  // namespace

TEST_F(PlaybackTest, EmptyListReadsTheClockOnceAndDrawsNothing)
{
    const FrameList empty;
    EXPECT_EQ(empty.play(boundary), 0);
    EXPECT_EQ(boundary.calls, std::vector<std::string>{"readClock"});
}

TEST_F(PlaybackTest, OneFrameShowsUntilTheClockReaches42Ms)
{
    boundary.clock = {1000, 1000, 1020, 1041, 1042};
    const FrameList list = framesNumbered(1);
    EXPECT_EQ(list.play(boundary), 0);
    EXPECT_EQ(boundary.begun, 4) << "passes at 0, 20 and 41 ms redraw frame 0; 42 ms ends it";
    EXPECT_EQ(boundary.presented_codes, (std::vector<int>{1, 1, 1, 1}));
}

TEST_F(PlaybackTest, EachPassDrawsPresentsDrainsThenReadsTheClock)
{
    boundary.clock = {0, 50};
    const FrameList list = framesNumbered(1);
    list.play(boundary);
    EXPECT_EQ(boundary.calls,
              (std::vector<std::string>{"readClock", "beginFrame", "presentFrame", "pumpMessages", "readClock"}));
}

TEST_F(PlaybackTest, TwentyFourFramesLastOneSecondAndSkippedFramesAreNeverDrawn)
{
    boundary.clock = {5000, 5010, 5042, 5200, 5500, 5999, 6000};
    const FrameList list = framesNumbered(24);
    EXPECT_EQ(list.play(boundary), 0);
    EXPECT_EQ(boundary.presented_codes, (std::vector<int>{1, 1, 2, 5, 13, 24})) << "frame index + 1 per pass";
}

TEST_F(PlaybackTest, ClockWrappingPast32BitsKeepsPlaying)
{
    boundary.clock = {0xFFFFFFF0u, 0xFFFFFFFFu, 0x00000020u, 0x00000030u, 0x00001000u};
    const FrameList list = framesNumbered(3);
    list.play(boundary);
    EXPECT_EQ(boundary.presented_codes, (std::vector<int>{1, 1, 2, 2})) << "48 ms after the start is frame 1";
    EXPECT_EQ(boundary.begun, 4);
}

TEST_F(PlaybackTest, ClockSteppingBackwardsHoldsTheFirstFrame)
{
    boundary.clock = {100000, 99000, 50, 100100, 200000};
    const FrameList list = framesNumbered(3);
    list.play(boundary);
    EXPECT_EQ(boundary.presented_codes, (std::vector<int>{1, 1, 1, 3}));
}

TEST_F(PlaybackTest, EscapeAlreadyDownEndsAfterTheFirstDrain)
{
    boundary.clock = {0};
    boundary.drains = {{FakeBoundary::key(WM_KEYDOWN, kEscape, false)}};
    const FrameList list = framesNumbered(100);
    EXPECT_EQ(list.play(boundary), 0);
    EXPECT_EQ(boundary.begun, 1);
    EXPECT_EQ(count(boundary.calls, "readClock"), 1u) << "returns before the clock is read again";
}

TEST_F(PlaybackTest, EscapePressedAndReleasedInOneDrainIsIgnored)
{
    boundary.clock = {0, 10, 20, 5000};
    boundary.drains = {{FakeBoundary::key(WM_KEYDOWN, kEscape, false), FakeBoundary::key(WM_KEYUP, kEscape, true)},
                       {FakeBoundary::key(WM_KEYDOWN, kEscape, false)}};
    const FrameList list = framesNumbered(10);
    list.play(boundary);
    EXPECT_EQ(boundary.begun, 2) << "the second drain leaves Escape down";
}

TEST_F(PlaybackTest, CloseRequestsAndAltEscapeDoNotEndPlayback)
{
    boundary.clock = {0, 10, 20, 30, 5000};
    boundary.drains = {{WindowMessage{nullptr, WM_CLOSE, 0, 0}},
                       {FakeBoundary::key(WM_SYSKEYDOWN, kEscape, false)},
                       {WindowMessage{nullptr, WM_MOUSEMOVE, 0, 0}}};
    const FrameList list = framesNumbered(10);
    list.play(boundary);
    EXPECT_EQ(boundary.begun, 4);
}

TEST_F(PlaybackTest, FailedLockSkipsTheDrawButStillPresentsAndRetries)
{
    boundary.clock = {0, 50, 90, 100, 5000};
    boundary.lock_fails_on = {2};
    const FrameList list = framesNumbered(5);
    list.play(boundary);
    EXPECT_EQ(count(boundary.calls, "beginFrame"), count(boundary.calls, "presentFrame"));
    EXPECT_EQ(boundary.presented_codes, (std::vector<int>{1, 1, 3, 3})) << "pass 2 left the screen as it was";
}

TEST_F(PlaybackTest, TerminationSignalEndsPlaybackLikeEscape)
{
    boundary.clock = {0, 10, 20, 30};
    boundary.signal_number = 15;
    boundary.signal_after_reads = 3;
    const FrameList list = framesNumbered(10);
    EXPECT_EQ(list.play(boundary), 15);
    EXPECT_EQ(boundary.begun, 3);
}
