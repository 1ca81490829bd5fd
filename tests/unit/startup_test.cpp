// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/run_player.h"
#include "support/fake_devices.h"
#include "support/test_files.h"

namespace {

// runPlayer in a scratch folder; its calls with the passes of playback left out, one line.
class Startup : public ::testing::Test {
protected:
    std::string run()
    {
        fake.log.clear();
        CurrentDir inside(dir.path());
        status = runPlayer(fake.devices);
        std::string outline;
        for (const auto& call : fake.log) {
            if (call != "screen.beginFrame" && call != "screen.presentFrame" && call != "clock") outline += call + "; ";
        }
        return outline;
    }

    TempDir dir;
    FakeDevices fake;
    int status = -1;
    const std::string kOpen = "screen.open DirectDrawView 640x480x32; ";
    const std::string kClose = "audio.stop; audio.close; screen.close; ";
};

}  // namespace

TEST_F(Startup, EverythingInOrderAndTheClockStartsRightAfterTheSound)
{
    dir.write("test", randomBytes(8192, 1));
    dir.write("quorva2.kvq", randomBytes(2400 * 3, 2));
    dir.write("quorva.mp3", {1});
    fake.clock.readings = {0, 200};
    EXPECT_EQ(run(), kOpen + "audio.open default 44100; audio.load quorva.mp3; audio.play; " + kClose);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(*(std::find(fake.log.begin(), fake.log.end(), "audio.play") + 1), "clock");
    EXPECT_EQ(fake.screen.begun, 1);
    EXPECT_NE(fake.screen.drawnCode(), 0) << "the font was loaded before playing";
}

TEST_F(Startup, FilesItCannotUseChangeNothingButWhatPlaysAndEachIsSaidInOneLine)
{
    const auto said = [](const std::string& errors, const std::string& what) {
        return std::count(errors.begin(), errors.end(), '\n') == 3 &&
               errors.find("kvqplay: test: " + what) != errors.npos &&
               errors.find("kvqplay: quorva2.kvq: " + what) != errors.npos &&
               errors.find("kvqplay: quorva.mp3: " + what) != errors.npos;
    };
    fake.audio.opens = {AudioDevice::any_other};
    testing::internal::CaptureStderr();
    EXPECT_EQ(run(), kOpen + "audio.open default 44100 fails; audio.open other 44100; " + kClose)
        << "the second device is tried; a soundtrack that is not there is not loaded";
    EXPECT_PRED2(said, testing::internal::GetCapturedStderr(), "cannot open it (No such file or directory)");
    EXPECT_EQ(fake.screen.begun, 0) << "no frames, nothing drawn";

    // FIFOs that nobody writes to are refused at once, never waited on.
    for (const char* name : {"test", "quorva2.kvq", "quorva.mp3"}) ASSERT_EQ(mkfifo(dir.file(name).c_str(), 0600), 0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(run(), kOpen + "audio.open default 44100 fails; audio.open other 44100; " + kClose);
    EXPECT_PRED2(said, testing::internal::GetCapturedStderr(), "not a regular file");

    // No device at all: the frames still play to their end.
    std::filesystem::remove(dir.file("quorva2.kvq"));
    dir.write("quorva2.kvq", randomBytes(2400 * 24, 2));
    fake.audio.opens = {};
    fake.clock.readings = {0, 500, 999, 1000};
    testing::internal::CaptureStderr();
    EXPECT_TRUE(run().ends_with(kClose));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("no sound output could be opened"), std::string::npos);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(fake.screen.begun, 3);
}

TEST_F(Startup, EscapeOrASignalEndsTheRunAfterGivingEverythingBack)
{
    dir.write("quorva2.kvq", randomBytes(2400 * 100, 2));
    fake.input.drains = {{FakeInput::key(InputEvent::Kind::key_down, 1)}};
    EXPECT_TRUE(run().ends_with(kClose));
    EXPECT_EQ(status, 0);
    fake.signal = 15;
    EXPECT_TRUE(run().ends_with(kClose));
    EXPECT_EQ(status, 143);
}

TEST_F(Startup, DisplayThatCannotOpenEndsTheRunWithOneLineBeforeAnythingElse)
{
    dir.write("quorva2.kvq", randomBytes(2400 * 3, 2));
    fake.screen.opens = false;
    testing::internal::CaptureStderr();
    EXPECT_EQ(run(), kOpen + "screen.close; ");
    EXPECT_EQ(fake.log.size(), 2u) << "not even the clock was read";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "kvqplay: cannot open the display: no screen in this test\n");
    EXPECT_EQ(status, 1);
}
