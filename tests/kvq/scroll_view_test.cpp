// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "kvq/play/review_screen.h"
#include "kvq/play/scroll_view.h"

TEST(ScrollView, KeysMoveTheViewWithinThePieceAndTheScrollRunsWithTheTimeline)
{
    // 16-pixel rows, 1000 rows of pixels to scroll through.
    ScrollView view(16, 1000);
    view.scrollBy(-16, 0);
    EXPECT_EQ(view.offset(0), 0);
    view.scrollBy(40, 0);
    view.scrollBy(2000, 0);
    EXPECT_EQ(view.offset(0), 1000);
    view.scrollTo(100, 1);
    // Stopped, time moves nothing.
    EXPECT_EQ(view.offset(50), 100);
    EXPECT_EQ(view.untilNextRow(50), -1);
    // 4 rows a second: 64 pixels; from 100 at 1 s on, and back in time as well.
    view.toggleScrolling(1);
    EXPECT_TRUE(view.scrolling());
    EXPECT_EQ(view.offset(2), 164);
    EXPECT_EQ(view.offset(0.5), 68);
    EXPECT_EQ(view.offset(-10), 0);
    EXPECT_EQ(view.offset(1 + 900.0 / 64), 1000);
    EXPECT_EQ(view.untilNextRow(1 + 900.0 / 64), -1);
    EXPECT_DOUBLE_EQ(view.untilNextRow(1.25), 1.0 / 64);
    // Faster and slower step through the rates, the view going on from where it stands.
    view.faster(2);
    EXPECT_EQ(view.rowRate(), 6);
    EXPECT_EQ(view.offset(3), 164 + 96);
    view.setRowRate(1000, 3);
    EXPECT_EQ(view.rowRate(), 64);
    view.slower(3);
    EXPECT_EQ(view.rowRate(), 48);
    for (int i = 0; i < 20; ++i) view.slower(3);
    EXPECT_EQ(view.rowRate(), 0.5);
    // A key while scrolling moves the line the scroll runs on.
    view.scrollBy(-160, 3);
    EXPECT_EQ(view.offset(3), 100);
    EXPECT_EQ(view.offset(5), 116);
    // A smaller range (a taller window) keeps the view inside it.
    view.setRange(50, 5);
    EXPECT_EQ(view.offset(5), 50);
}

TEST(ReviewScreen, AScreenShowsWholeAndATallerPieceFillsTheWidthAndScrolls)
{
    ReviewScreen screen;
    // The player's 640x480 in a wide window: whole, between bars, as always.
    screen.resize({1920, 1080});
    EXPECT_EQ(screen.viewHeight(), 480);
    EXPECT_EQ(screen.layout().picture, (ScreenRect{240, 0, 1440, 1080}));
    // 80 columns of 9 pixels and 25 rows: whole, 720x400, at its whole multiple.
    screen.setPictureSize(720, 400);
    EXPECT_EQ(screen.viewHeight(), 400);
    screen.resize({1440, 900});
    EXPECT_EQ(screen.scale(), 2);
    EXPECT_EQ(screen.layout().picture, (ScreenRect{0, 25, 720, 400}));  // in pixels of 2x2
    // A tall piece: its width fills the window, as many of its rows as that leaves in view.
    screen.setPictureSize(640, 3200);
    screen.resize({1920, 1080});
    EXPECT_EQ(screen.viewHeight(), 360);
    EXPECT_EQ(screen.scale(), 3);
    EXPECT_EQ(screen.layout().picture, (ScreenRect{0, 0, 640, 360}));
    // In a window tall enough for the whole piece, it shows whole.
    screen.resize({640, 4000});
    EXPECT_EQ(screen.viewHeight(), 3200);
    EXPECT_EQ(screen.layout().picture, (ScreenRect{0, 400, 640, 3200}));
}
