// SPDX-License-Identifier: MIT
#include <SDL.h>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <string>

#include "platform/termination_signals.h"
#include "platform/scan_codes.h"
#include "platform/sdl_audio_output.h"
#include "platform/sdl_screen.h"
#include "platform/review/sdl_stretching_audio_output.h"

// SDL's own invisible driver, asked for by name: what the screen does without a display.
TEST(SdlScreen, ThatFailsToOpenGivesBackWhatItMade)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 1);

    SdlScreen screen;
    EXPECT_EQ(screen.open({"test", 640, 480, 24}), -1);
    EXPECT_NE(screen.error().find("32 bits"), std::string::npos) << screen.error();
    EXPECT_NE(SDL_WasInit(SDL_INIT_VIDEO), 0u) << "open failed at its last step, with the window made";
    screen.close();
    EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
    EXPECT_EQ(screen.beginFrame().pixels, nullptr);
    screen.presentFrame();
    EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u) << "a closed screen presents nothing and starts nothing again";

    ASSERT_EQ(screen.open({"test", 640, 480, 32}), 0) << screen.error();
    EXPECT_NE(screen.beginFrame().pixels, nullptr);
    EXPECT_EQ(screen.beginFrame().pixels, nullptr) << "locked already";
}

TEST(ScanCodes, FollowTheRowsOfThePcKeyboard)
{
    const auto codesOf = [](const char* keys) {
        std::string codes;
        for (const char* key = keys; *key; ++key) {
            const char name[2] = {*key, 0};
            codes += static_cast<char>(pcScanCodeFor(SDL_GetScancodeFromName(name)).code);
        }
        return codes;
    };
    const auto run = [](int first, int count) {
        std::string codes;
        for (int i = 0; i < count; ++i) codes += static_cast<char>(first + i);
        return codes;
    };
    EXPECT_EQ(codesOf("1234567890-="), run(0x02, 12));
    EXPECT_EQ(codesOf("QWERTYUIOP[]"), run(0x10, 12));
    EXPECT_EQ(codesOf("ASDFGHJKL;'`"), run(0x1E, 12));
    EXPECT_EQ(codesOf("\\ZXCVBNM,./"), run(0x2B, 11));
    EXPECT_EQ(pcScanCodeFor(SDL_SCANCODE_ESCAPE).code, 1);
    for (int f = 0; f < 10; ++f) EXPECT_EQ(pcScanCodeFor(SDL_SCANCODE_F1 + f).code, 0x3B + f);
    EXPECT_EQ(pcScanCodeFor(SDL_SCANCODE_SPACE).code, 0x39);
}

TEST(TerminationSignals, AreRecordedOnceThenFatal)
{
    const std::atomic<int>& received = installTerminationHandlers();
    EXPECT_EQ(received.load(), 0);
    std::raise(SIGTERM);
    EXPECT_EQ(received.load(), SIGTERM) << "the process is still here and knows why it should stop";
    struct sigaction now {};
    sigaction(SIGTERM, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL) << "a second signal ends the process";
}

TEST(TerminationSignals, HangUpEndsPlaybackOnlyWhereAskedFor)
{
    struct sigaction now {};
    installTerminationHandlers();
    sigaction(SIGHUP, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL) << "the player keeps a hang-up's default";
    const std::atomic<int>& received = installTerminationHandlers(HangUp::endsPlayback);
    std::raise(SIGHUP);
    EXPECT_EQ(received.load(), SIGHUP) << "kvq play ends as for SIGTERM when its terminal goes";
}

// Both outputs choose a device by the same rule: the system's default, or else the first of the
// others that opens (the dummy driver lists one).
template <typename Output>
void choosesDevicesAsAsked()
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    Output audio;
    ASSERT_TRUE(audio.open(AudioDevice::any_other, 44100));
    EXPECT_EQ(audio.deviceName(), "System audio output device");
    EXPECT_FALSE(audio.load("/no/such/soundtrack.mp3"));
    audio.close();
    ASSERT_TRUE(audio.open(AudioDevice::system_default, 44100));
    EXPECT_EQ(audio.deviceName(), "");
}

TEST(SdlAudioOutput, SecondChoiceIsTheFirstOtherDeviceThatOpens) { choosesDevicesAsAsked<SdlAudioOutput>(); }
TEST(SdlStretchingAudioOutput, SecondChoiceIsTheFirstOtherDeviceThatOpens) { choosesDevicesAsAsked<SdlStretchingAudioOutput>(); }
