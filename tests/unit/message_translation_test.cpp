// SPDX-License-Identifier: MIT
#include <SDL.h>
#include <gtest/gtest.h>

#include <csignal>

#include "app/termination_signals.h"
#include "platform/window_system.h"

namespace {

// SDL's events as the window system turns them into messages, without a display.
class MessageTranslation : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0) << SDL_GetError(); }
    void TearDown() override { SDL_QuitSubSystem(SDL_INIT_EVENTS); }

    static void pushKey(Uint32 type, SDL_Scancode scancode, Uint16 modifiers = KMOD_NONE, Uint8 repeat = 0)
    {
        SDL_Event event{};
        event.type = type;
        event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.key.repeat = repeat;
        event.key.keysym.scancode = scancode;
        event.key.keysym.mod = modifiers;
        SDL_PushEvent(&event);
    }

    // SDL ends a drain at a marker it queues on each pump, so a pushed event may need a second
    // look; that is what the player's next pass gives it.
    static WindowMessage next()
    {
        WindowMessage message;
        bool got = false;
        for (int attempt = 0; attempt < 3 && !got; ++attempt) got = peekMessage(message);
        EXPECT_TRUE(got);
        return got ? message : WindowMessage{};
    }

    static std::uint32_t bits(const WindowMessage& message) { return static_cast<std::uint32_t>(message.lParam); }
};

}  // namespace

TEST_F(MessageTranslation, KeysCarryScanCodeAndTransitionState)
{
    pushKey(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE);
    pushKey(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE, KMOD_NONE, 1);
    pushKey(SDL_KEYUP, SDL_SCANCODE_ESCAPE);
    pushKey(SDL_KEYDOWN, SDL_SCANCODE_RCTRL);

    const WindowMessage down = next();
    EXPECT_EQ(down.message, WM_KEYDOWN);
    EXPECT_EQ((bits(down) >> 16) & 0xFF, 0x01u);
    EXPECT_EQ(bits(down) & (kTransitionBit | kPreviousStateBit), 0u);
    const WindowMessage repeat = next();
    EXPECT_EQ(repeat.message, WM_KEYDOWN);
    EXPECT_NE(bits(repeat) & kPreviousStateBit, 0u) << "auto-repeat: the key was already down";
    EXPECT_EQ(bits(repeat) & kTransitionBit, 0u);
    const WindowMessage up = next();
    EXPECT_EQ(up.message, WM_KEYUP);
    EXPECT_NE(bits(up) & kTransitionBit, 0u);
    const WindowMessage right_ctrl = next();
    EXPECT_EQ((bits(right_ctrl) >> 16) & 0xFF, 0x1Du);
    EXPECT_NE(bits(right_ctrl) & kExtendedKeyBit, 0u);

    WindowMessage none;
    EXPECT_FALSE(peekMessage(none) || peekMessage(none));
}

TEST_F(MessageTranslation, AltAndF10MakeSystemKeysAndAltF4AClose)
{
    pushKey(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE, KMOD_LALT);
    pushKey(SDL_KEYUP, SDL_SCANCODE_ESCAPE, KMOD_LALT);
    pushKey(SDL_KEYDOWN, SDL_SCANCODE_F10);
    pushKey(SDL_KEYDOWN, SDL_SCANCODE_LALT, KMOD_NONE);
    EXPECT_EQ(next().message, WM_SYSKEYDOWN);
    EXPECT_EQ(next().message, WM_SYSKEYUP);
    EXPECT_EQ(next().message, WM_SYSKEYDOWN);
    EXPECT_EQ(next().message, WM_SYSKEYDOWN);

    pushKey(SDL_KEYDOWN, SDL_SCANCODE_F4, KMOD_RALT);
    const WindowMessage alt_f4 = next();
    ASSERT_EQ(alt_f4.message, WM_SYSKEYDOWN);
    EXPECT_NE(bits(alt_f4) & kAltContextBit, 0u);
    defWindowProc(alt_f4.window, alt_f4.message, alt_f4.wParam, alt_f4.lParam);
    EXPECT_EQ(next().message, WM_CLOSE) << "the default handling turns Alt+F4 into a close request";
}

TEST_F(MessageTranslation, WindowCloseAndMouseMotionBecomeTheirMessages)
{
    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    SDL_PushEvent(&close);
    SDL_Event exposed = close;
    exposed.window.event = SDL_WINDOWEVENT_EXPOSED;  // nothing the window procedure hears of
    SDL_PushEvent(&exposed);
    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.x = 3;
    motion.motion.y = 4;
    SDL_PushEvent(&motion);

    EXPECT_EQ(next().message, WM_CLOSE);
    const WindowMessage moved = next();
    EXPECT_EQ(moved.message, WM_MOUSEMOVE);
    EXPECT_EQ(moved.lParam, 3 | (4 << 16));
}

TEST(TerminationSignals, AreRecordedNotFatalOnce)
{
    installTerminationHandlers();
    EXPECT_EQ(receivedTerminationSignal(), 0);
    std::raise(SIGTERM);
    EXPECT_EQ(receivedTerminationSignal(), SIGTERM) << "the process is still here and knows why it should stop";
    // The handler is gone after one use, so a second signal would end the process.
    struct sigaction now {};
    sigaction(SIGTERM, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
    installTerminationHandlers();
}
