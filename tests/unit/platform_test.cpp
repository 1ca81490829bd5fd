// SPDX-License-Identifier: MIT
#include <SDL.h>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <string>

#include "app/termination_signals.h"
#include "platform/scan_codes.h"
#include "platform/sdl_audio_output.h"
#include "platform/sdl_input_events.h"
#include "platform/sdl_screen.h"

namespace {

// SDL's own invisible drivers, asked for by name: what the devices do without a display.
class SdlDevices : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
    void TearDown() override
    {
        unsetenv("SDL_VIDEODRIVER");
        unsetenv("SDL_AUDIODRIVER");
    }
    static void pushKey(Uint32 type, SDL_Scancode scancode, Uint16 modifiers = KMOD_NONE)
    {
        SDL_Event event{};
        event.type = type;
        event.key.keysym.scancode = scancode;
        event.key.keysym.mod = modifiers;
        SDL_PushEvent(&event);
    }
};

}  // namespace

TEST_F(SdlDevices, ScreenThatFailsToOpenGivesBackWhatItMade)
{
    SdlScreen screen;
    EXPECT_EQ(screen.open({"test", 640, 480, 24}), -1);
    EXPECT_NE(screen.error().find("32 bits"), std::string::npos) << screen.error();
    EXPECT_NE(SDL_WasInit(SDL_INIT_VIDEO), 0u) << "open failed at its last step, with the window made";
    screen.close();
    EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
    EXPECT_EQ(screen.beginFrame().pixels, nullptr);
    screen.presentFrame();
}

TEST_F(SdlDevices, ScreenLocksItsTextureWithTheTexturesOwnRowStep)
{
    SdlScreen screen;
    ASSERT_EQ(screen.open({"test", 640, 480, 32}), 0) << screen.error();
    const RenderTarget target = screen.beginFrame();
    ASSERT_NE(target.pixels, nullptr);
    EXPECT_GE(target.row_step_bytes, 2560);
    EXPECT_EQ(screen.beginFrame().pixels, nullptr) << "locked already";
    screen.presentFrame();
    EXPECT_NE(screen.beginFrame().pixels, nullptr);
    screen.presentFrame();
}

TEST_F(SdlDevices, KeysBecomeScanCodeEventsAndAltMakesThemSystemKeys)
{
    SdlScreen screen;
    ASSERT_EQ(screen.open({"test", 640, 480, 32}), 0) << screen.error();
    SdlInputEvents input;
    InputEvent event;
    while (input.poll(event)) {
    }
    pushKey(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE);
    pushKey(SDL_KEYUP, SDL_SCANCODE_ESCAPE, KMOD_LALT);
    pushKey(SDL_KEYDOWN, SDL_SCANCODE_RCTRL);
    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    SDL_PushEvent(&close);

    ASSERT_TRUE(input.poll(event));
    EXPECT_EQ(event.kind, InputEvent::Kind::key_down);
    EXPECT_EQ(event.scan_code, 1);
    EXPECT_FALSE(event.system_key);
    ASSERT_TRUE(input.poll(event));
    EXPECT_EQ(event.kind, InputEvent::Kind::key_up);
    EXPECT_TRUE(event.system_key);
    ASSERT_TRUE(input.poll(event));
    EXPECT_EQ(event.scan_code, 0x1D);
    EXPECT_TRUE(event.extended);
    ASSERT_TRUE(input.poll(event));
    EXPECT_EQ(event.kind, InputEvent::Kind::close_request);
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

TEST_F(SdlDevices, AudioOutputOpensOnceAndRefusesWhatItCannotDecode)
{
    SdlAudioOutput audio;
    EXPECT_FALSE(audio.load("anything.mp3")) << "nothing loads before the output is open";
    ASSERT_TRUE(audio.open(AudioDevice::system_default, 44100));
    EXPECT_TRUE(audio.open(AudioDevice::any_other, 44100)) << "already open";
    EXPECT_FALSE(audio.load("/no/such/file.mp3"));
    audio.play();
    EXPECT_LT(audio.positionSeconds(), 0.0);
    audio.close();
    EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);

    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_FALSE(audio.open(AudioDevice::system_default, 44100));
    EXPECT_FALSE(audio.open(AudioDevice::any_other, 44100));
    audio.close();
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
