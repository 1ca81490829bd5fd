// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "app/run_player.h"
#include "content/glyph_table.h"
#include "fake_boundary.h"
#include "test_files.h"

namespace {

class StartupTest : public ::testing::Test {
protected:
    void TearDown() override { glyphTable = GlyphTable{}; }

    // The calls of the run with the passes of playback left out.
    std::vector<std::string> lifeCycle() const
    {
        std::vector<std::string> outline;
        for (const auto& call : boundary.calls) {
            if (call == "beginFrame" || call == "presentFrame" || call == "pumpMessages" || call == "readClock") continue;
            outline.push_back(call);
        }
        return outline;
    }

    TempDir dir;
    FakeBoundary boundary;
    const std::vector<std::string> kOrder{"openDisplay 640x480", "startSoundtrack", "stopSoundtrack", "closeDisplay"};
};

}  // namespace

TEST_F(StartupTest, RunsEveryStepInOrderWithEverythingPresent)
{
    dir.write("test", randomBytes(8192, 1));
    dir.write("quorva2.kvq", randomBytes(2400 * 3, 2));
    dir.write("quorva.mp3", randomBytes(100, 3));
    CurrentDir inside(dir.path());
    boundary.clock = {0, 200};
    bool loaded_before_sound = false;
    boundary.on_start_soundtrack = [&] { loaded_before_sound = glyphTable[200] != Glyph{}; };

    EXPECT_EQ(runPlayer(boundary), 0);
    EXPECT_EQ(lifeCycle(), kOrder);
    EXPECT_TRUE(loaded_before_sound) << "the font is in before the sound starts";
    EXPECT_EQ(boundary.begun, 1);
    // The clock starts after the sound: its first reading comes right after startSoundtrack.
    const auto sound = std::find(boundary.calls.begin(), boundary.calls.end(), "startSoundtrack");
    ASSERT_NE(sound + 1, boundary.calls.end());
    EXPECT_EQ(*(sound + 1), "readClock");
}

TEST_F(StartupTest, MissingFilesChangeNothingInTheOrder)
{
    CurrentDir inside(dir.path());
    EXPECT_EQ(runPlayer(boundary), 0);
    EXPECT_EQ(lifeCycle(), kOrder);
    EXPECT_EQ(boundary.begun, 0) << "no frames, nothing drawn";
}

TEST_F(StartupTest, EscapeEndsTheRunWithStatusZero)
{
    dir.write("quorva2.kvq", randomBytes(2400 * 100, 2));
    CurrentDir inside(dir.path());
    boundary.drains = {{FakeBoundary::key(WM_KEYDOWN, 1, false)}};
    EXPECT_EQ(runPlayer(boundary), 0);
    EXPECT_EQ(lifeCycle(), kOrder);
}

TEST_F(StartupTest, SignalEndsTheRunWithItsStatusAfterGivingEverythingBack)
{
    dir.write("quorva2.kvq", randomBytes(2400 * 100, 2));
    CurrentDir inside(dir.path());
    boundary.signal_number = 15;
    boundary.signal_after_reads = 0;
    EXPECT_EQ(runPlayer(boundary), 143);
    EXPECT_EQ(lifeCycle(), kOrder);
}

TEST_F(StartupTest, DisplayThatCannotOpenEndsTheRunBeforeAnythingIsLoaded)
{
    dir.write("test", randomBytes(8192, 1));
    dir.write("quorva2.kvq", randomBytes(2400 * 3, 2));
    CurrentDir inside(dir.path());
    boundary.display_opens = false;
    testing::internal::CaptureStderr();
    EXPECT_EQ(runPlayer(boundary), 1);
    const std::string error = testing::internal::GetCapturedStderr();
    EXPECT_EQ(boundary.calls, (std::vector<std::string>{"openDisplay 640x480", "closeDisplay"}));
    EXPECT_EQ(glyphTable[200], Glyph{}) << "the font was not loaded";
    EXPECT_EQ(error, "kvqplay: cannot open the display: no screen in this test\n");
}
