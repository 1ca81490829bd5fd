// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "devices/audio_output.h"
#include "devices/clock.h"
#include "kvq/play/transport.h"

namespace {

// A soundtrack whose heard position the test sets; it notes what the transport asks of it.
struct FakeSoundtrack : AudioOutput {
    bool open(AudioDevice, int) override { return true; }
    bool load(const char*) override { return true; }
    void play() override { calls.push_back("play"), heard = -1; }
    void pause() override { calls.push_back("pause"); }
    void resume() override { calls.push_back("resume"); }
    bool seek(double seconds) override
    {
        calls.push_back("seek " + std::to_string(seconds).substr(0, 4));
        return true;
    }
    bool setSpeed(double speed) override { return stretches || speed == 1.0; }
    void setMuted(bool on) override { calls.push_back(on ? "mute" : "unmute"); }
    double positionSeconds() const override { return heard; }
    double durationSeconds() const override { return length; }
    void stop() override {}
    void close() override {}

    std::vector<std::string> calls;
    double heard = -1;
    double length = 30;
    bool stretches = false;  // plays at any speed, its pitch kept
};

std::vector<std::string> taken(std::vector<std::string>& calls) { return std::exchange(calls, {}); }

}  // namespace

TEST(Transport, PausesSeeksStepsAndChangesSpeedWithinTheAnimation)
{
    Transport t(240, nullptr);  // 10 s
    t.start(0, 100.0);
    EXPECT_EQ(t.frameAt(100.0), 0u);
    EXPECT_EQ(t.frameAt(101.0), 24u);
    EXPECT_EQ(t.frameAt(101.0 + 1.0 / 24 - 1e-6), 24u);  // truncated, as the player does
    t.togglePause(101.5);
    EXPECT_EQ(t.frameAt(109.0), 36u);  // the picture holds while paused
    t.togglePause(109.0);
    EXPECT_EQ(t.frameAt(109.5), 48u);  // and goes on from there, without a jump
    t.seekTo(-3, 110.0);
    EXPECT_EQ(t.frameAt(110.0), 0u);
    t.seekBy(50, 110.0);
    EXPECT_EQ(t.frameAt(110.0), 239u);  // past the end: the last frame
    t.step(1, 110.0);
    EXPECT_TRUE(t.paused());
    EXPECT_EQ(t.frameAt(111.0), 239u);
    t.step(-1, 111.0);
    EXPECT_EQ(t.frameAt(111.0), 238u);
    t.seekTo(0, 111.0);
    t.step(-1, 111.0);
    EXPECT_EQ(t.frameAt(111.0), 0u);
    t.togglePause(112.0);
    for (int i = 0; i < 5; ++i) t.faster(112.0);
    EXPECT_EQ(t.speed(), 4.0);
    EXPECT_EQ(t.frameAt(113.0), 96u);
    for (int i = 0; i < 3; ++i) t.slower(113.0);
    EXPECT_EQ(t.speed(), 1.0);
    t.setSpeed(0.75, 113.0);
    t.slower(113.0);
    EXPECT_EQ(t.speed(), 0.5);
    EXPECT_EQ(t.frameAt(115.0), 96u + 24u);
}

TEST(Transport, StopsOnTheLastFrameOrLoopsToTheFirst)
{
    Transport t(48, nullptr);
    t.start(1.5, 0.0);
    EXPECT_EQ(t.frameAt(0.6), 47u);
    EXPECT_TRUE(t.paused());
    EXPECT_EQ(t.frameAt(5.0), 47u);
    t.toggleLoop();
    t.togglePause(5.0);
    EXPECT_EQ(t.frameAt(5.0 + 1.0 / 24), 0u);  // the end wraps round to the start
    EXPECT_FALSE(t.paused());
    EXPECT_EQ(t.frameAt(5.5 + 1.0 / 24), 12u);
}

TEST(Transport, TheSoundtrackIsTheClockWhileHeardAndTheMonotonicClockTakesOverWithoutAJump)
{
    FakeSoundtrack sound;
    Transport t(24 * 60, &sound);
    t.start(10, 0.0);
    EXPECT_EQ(taken(sound.calls), (std::vector<std::string>{"play", "seek 10.0"}));
    // Before the mixer has run, its reading is of before the restart: not believed.
    sound.heard = 0.2;
    EXPECT_EQ(t.frameAt(0.5), 252u);
    // Readings steadily ahead draw the picture to them, a little at each, never a frame back.
    std::size_t shown = 252;
    for (int step = 0; step < 40; ++step) {
        const double now = 0.5 + step * 0.01;
        sound.heard = 10 + now + 0.06;
        const std::size_t frame = t.frameAt(now);
        ASSERT_GE(frame, shown);
        shown = frame;
    }
    EXPECT_NEAR(t.position(0.9), 10.96, 0.005);
    // A jump is followed at once.
    sound.heard = 11.5;
    EXPECT_EQ(t.frameAt(0.9), 276u);
    // Pausing pauses it; resuming restarts it where the picture stands.
    t.togglePause(1.0);
    EXPECT_EQ(taken(sound.calls), (std::vector<std::string>{"pause"}));
    t.togglePause(3.0);
    EXPECT_EQ(taken(sound.calls), (std::vector<std::string>{"play", "seek 11.6"}));
    // A seek too.
    t.seekBy(5, 3.0);
    EXPECT_EQ(taken(sound.calls), (std::vector<std::string>{"play", "seek 16.6"}));
    sound.heard = 17.08;
    EXPECT_EQ(t.frameAt(3.5), 409u);
    // Its end: the monotonic clock goes on from there.
    sound.heard = -1;
    EXPECT_EQ(t.frameAt(4.0), 421u);
    // An output that cannot play at other speeds is silenced there, and the monotonic clock runs
    // at that speed.
    t.seekTo(20, 4.0);
    taken(sound.calls);
    t.faster(4.0);
    EXPECT_TRUE(t.muted());
    EXPECT_EQ(taken(sound.calls), (std::vector<std::string>{"pause"}));
    EXPECT_EQ(t.frameAt(5.0), 24u * 21 + 12);
    t.slower(5.0);
    EXPECT_EQ(taken(sound.calls), (std::vector<std::string>{"play", "seek 21.5"}));
    // Past the soundtrack's end there is nothing to restart.
    t.seekTo(45, 6.0);
    EXPECT_EQ(taken(sound.calls), (std::vector<std::string>{"pause"}));
    EXPECT_EQ(t.frameAt(7.0), 24u * 46);
}

TEST(Transport, AStretchingSoundtrackStaysTheClockAtEverySpeedAndMutedToo)
{
    FakeSoundtrack sound;
    sound.stretches = true;
    Transport t(24 * 60, &sound);
    t.setSpeed(0.5, 0.0);
    t.start(10, 0.0);
    taken(sound.calls);
    // At half speed a reading a tenth of a second off is still one from before the restart...
    sound.heard = 9.85;
    EXPECT_EQ(t.frameAt(0.1), 241u);
    // ...and once believed, it drives the picture at that speed.
    sound.heard = 10.07;
    EXPECT_EQ(t.frameAt(0.12), 241u);
    sound.heard = 10.5;
    EXPECT_EQ(t.frameAt(1.0), 252u);
    EXPECT_FALSE(t.muted());
    // The speed keys restart it where the picture stands; at 4 its readings move four times as far.
    t.faster(1.0);
    t.faster(1.0);
    t.faster(1.0);
    t.faster(1.0);
    EXPECT_EQ(t.speed(), 4.0);
    EXPECT_EQ(taken(sound.calls), (std::vector<std::string>{"play", "seek 10.5", "play", "seek 10.5", "play",
                                                            "seek 10.5", "play", "seek 10.5"}));
    sound.heard = 10.5 + 0.3;
    EXPECT_EQ(t.frameAt(1.0), 259u);
    sound.heard = 14.5;  // 0.3 behind the clock: drawn towards, not jumped to
    EXPECT_EQ(t.frameAt(2.0), 354u);
    // M silences it without stopping it: it plays on, and still drives.
    t.toggleMute();
    EXPECT_TRUE(t.muted());
    EXPECT_EQ(taken(sound.calls), (std::vector<std::string>{"mute"}));
    sound.heard = 20;
    EXPECT_EQ(t.frameAt(3.0), 480u);
    t.toggleMute();
    EXPECT_FALSE(t.muted());
    EXPECT_EQ(taken(sound.calls), (std::vector<std::string>{"unmute"}));
}

TEST(Transport, AStillPiecesTimelineIsItsSoundtracksOrHasNoEnd)
{
    Transport silent = Transport::still(nullptr);
    EXPECT_TRUE(silent.endless());
    silent.start(0, 0.0);
    EXPECT_EQ(silent.frameAt(3600.0), 0u);
    EXPECT_FALSE(silent.paused());
    EXPECT_DOUBLE_EQ(silent.position(3600.0), 3600.0);
    silent.seekBy(-5, 3600.0);
    EXPECT_DOUBLE_EQ(silent.position(3600.0), 3595.0);

    FakeSoundtrack sound;
    sound.length = 12;
    Transport heard = Transport::still(&sound);
    EXPECT_FALSE(heard.endless());
    EXPECT_DOUBLE_EQ(heard.length(), 12.0);
    heard.start(10, 0.0);
    EXPECT_EQ(taken(sound.calls), (std::vector<std::string>{"play", "seek 10.0"}));
    // At the soundtrack's end the timeline pauses there, as an animation's does on its last frame.
    EXPECT_EQ(heard.frameAt(3.0), 0u);
    EXPECT_TRUE(heard.paused());
    EXPECT_DOUBLE_EQ(heard.position(5.0), 12.0);
}
