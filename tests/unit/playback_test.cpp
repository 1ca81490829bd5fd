// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>

#include "app/playback_loop.h"
#include "support/fake_devices.h"

namespace {

using Kind = InputEvent::Kind;
constexpr std::uint8_t kEscape = 1;

// Frames numbered 1..count, drawn in a font in which code c has the bits of c in every row, so
// the screen tells which frame was drawn, on a screen whose memory has a row step of its own.
class Playback : public ::testing::Test {
protected:
    Playback()
    {
        std::vector<std::uint8_t> font(4096, 0);
        for (int code = 0; code < 128; ++code)
            std::fill_n(font.begin() + code * 32, 16, static_cast<std::uint8_t>(code));
        glyphs.fillFrom(font.data(), font.size());
    }
    int play(int count, std::initializer_list<std::uint32_t> clock)
    {
        FrameList frames;
        for (int i = 0; i < count; ++i) {
            TextFrame frame;
            frame.cells.fill(static_cast<std::uint8_t>(i + 1));
            frames.append(frame);
        }
        fake.clock.readings = clock;
        return ::play(frames, glyphs, fake.devices);
    }
    std::size_t passes() const
    {
        return static_cast<std::size_t>(std::count(fake.log.begin(), fake.log.end(), "screen.beginFrame"));
    }

    GlyphTable glyphs;
    FakeDevices fake{2560 + 64};  // a screen whose rows are wider than the picture
};

}  // namespace

TEST_F(Playback, EachPassDrawsPresentsDrainsThenReadsTheClockAndAnEmptyListHasNone)
{
    play(1, {0, 50});
    EXPECT_EQ(fake.log, (CallLog{"clock", "screen.beginFrame", "screen.presentFrame", "clock"}));
    fake.log.clear();
    EXPECT_EQ(play(0, {}), 0);
    EXPECT_EQ(fake.log, CallLog{"clock"});
}

TEST_F(Playback, FramesFallDueOnTheClockAndSkippedOnesAreNeverDrawn)
{
    play(1, {1000, 1000, 1020, 1041, 1042});
    EXPECT_EQ(fake.screen.presented, (std::vector<int>{1, 1, 1, 1}))
        << "41 ms still shows frame 0; 42 ms ends one frame";

    fake.screen.presented.clear();
    play(24, {5000, 5010, 5042, 5200, 5500, 5999, 6000});
    EXPECT_EQ(fake.screen.presented, (std::vector<int>{1, 1, 2, 5, 13, 24})) << "24 frames last one second";
}

TEST_F(Playback, ClockWrappingPast32BitsOrSteppingBackKeepsPlaying)
{
    play(3, {0xFFFFFFF0u, 0xFFFFFFFFu, 0x00000020u, 0x00000030u, 0x00001000u});
    EXPECT_EQ(fake.screen.presented, (std::vector<int>{1, 1, 2, 2})) << "48 ms after the start is frame 1";

    fake.screen.presented.clear();
    play(3, {100000, 99000, 50, 100100, 200000});
    EXPECT_EQ(fake.screen.presented, (std::vector<int>{1, 1, 1, 3})) << "a clock that stepped back holds frame 0";
}

TEST_F(Playback, EscapeDownAfterADrainEndsIt)
{
    fake.input.drains = {{FakeInput::key(Kind::key_down, kEscape)}};
    EXPECT_EQ(play(100, {0}), 0);
    EXPECT_EQ(fake.log, (CallLog{"clock", "screen.beginFrame", "screen.presentFrame"}))
        << "ends before the clock is read again";
}

TEST_F(Playback, WhatDoesNotEndIt)
{
    // A press and release in one drain leave Escape up; close requests, Alt+Escape and other
    // events are absorbed. The fifth drain's Escape ends it.
    fake.input.drains = {{FakeInput::key(Kind::key_down, kEscape), FakeInput::key(Kind::key_up, kEscape)},
                         {InputEvent{Kind::close_request}},
                         {FakeInput::key(Kind::key_down, kEscape, true)},
                         {InputEvent{Kind::other}},
                         {FakeInput::key(Kind::key_down, kEscape)}};
    play(10, {0, 10, 20, 30, 40, 5000});
    EXPECT_EQ(passes(), 5u);
}

TEST_F(Playback, FailedLockSkipsTheDrawButStillPresentsAndRetries)
{
    fake.screen.lock_fails_on = {2};
    play(5, {0, 50, 90, 100, 5000});
    EXPECT_EQ(fake.screen.presented, (std::vector<int>{1, 1, 3, 3})) << "pass 2 left the screen as it was";
}

TEST_F(Playback, TerminationSignalEndsItLikeEscapeWithTheSignalsNumber)
{
    fake.signal = 15;
    EXPECT_EQ(play(10, {0, 10}), 15);
    EXPECT_EQ(passes(), 1u);
}

TEST_F(Playback, DrawsAtTheRowStepOfTheScreensMemoryAndNotBetweenRows)
{
    play(1, {0, 5000});
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x)
            ASSERT_EQ(fake.screen.pixel(x, y), x % 8 == 7 ? kInkColour : kPaperColour) << x << "," << y;
        for (std::ptrdiff_t gap = 2560; gap < fake.screen.step; ++gap) {
            ASSERT_EQ(fake.screen.bytes[static_cast<std::size_t>(y * fake.screen.step + gap)], FakeScreen::kUntouched)
                << y;
        }
    }
}
