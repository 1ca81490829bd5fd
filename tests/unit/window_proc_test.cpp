// SPDX-License-Identifier: MIT
#include <SDL_keyboard.h>
#include <gtest/gtest.h>

#include <set>

#include "display/key_state_table.h"
#include "display/window.h"
#include "platform/scan_codes.h"

namespace {

std::intptr_t keyLParam(std::uint8_t scan_code, bool up, bool extended = false)
{
    std::uint32_t bits = 1u | (static_cast<std::uint32_t>(scan_code) << kScanCodeShift);
    if (extended) bits |= kExtendedKeyBit;
    if (up) bits |= kPreviousStateBit | kTransitionBit;
    return static_cast<std::intptr_t>(bits);
}

class WindowProcTest : public ::testing::Test {
protected:
    void SetUp() override { keyStateTable.fill(0); }
    void TearDown() override
    {
        keyStateTable.fill(0);
        WindowMessage ignored;
        while (peekMessage(ignored)) {
        }
    }
    static std::intptr_t send(std::uint32_t message, std::intptr_t lParam = 0) { return windowProc(nullptr, message, 0, lParam); }
};

}  // namespace

TEST_F(WindowProcTest, KeyDownAndUpSetAndClearTheEntryOfTheirScanCode)
{
    EXPECT_EQ(send(WM_KEYDOWN, keyLParam(1, false)), 0);
    EXPECT_EQ(keyStateTable[1], 1);
    EXPECT_EQ(send(WM_KEYDOWN, keyLParam(1, false) | static_cast<std::intptr_t>(kPreviousStateBit)), 0);
    EXPECT_EQ(keyStateTable[1], 1) << "auto-repeat keeps it down";
    EXPECT_EQ(send(WM_KEYUP, keyLParam(1, true)), 0);
    EXPECT_EQ(keyStateTable[1], 0);
    for (int code = 0; code < 256; ++code) {
        send(WM_KEYDOWN, keyLParam(static_cast<std::uint8_t>(code), false));
        ASSERT_EQ(keyStateTable[static_cast<std::size_t>(code)], 1) << code;
    }
}

TEST_F(WindowProcTest, PressAndReleaseInOneDrainLeaveTheEntryAtZero)
{
    postMessage({nullptr, WM_KEYDOWN, 0, keyLParam(1, false)});
    postMessage({nullptr, WM_KEYUP, 0, keyLParam(1, true)});
    EXPECT_EQ(pumpMessages(), 0);
    EXPECT_EQ(keyStateTable[1], 0);

    postMessage({nullptr, WM_KEYUP, 0, keyLParam(0x1E, true)});
    postMessage({nullptr, WM_KEYDOWN, 0, keyLParam(0x1E, false)});
    pumpMessages();
    EXPECT_EQ(keyStateTable[0x1E], 1) << "the last message of the drain counts";
}

TEST_F(WindowProcTest, ExtendedKeysShareTheirBaseKeysEntry)
{
    send(WM_KEYDOWN, keyLParam(0x1D, false, true));  // right Ctrl
    EXPECT_EQ(keyStateTable[0x1D], 1);
    send(WM_KEYUP, keyLParam(0x1D, true, false));  // left Ctrl released
    EXPECT_EQ(keyStateTable[0x1D], 0);
}

TEST_F(WindowProcTest, SystemKeysAreNotRecorded)
{
    EXPECT_EQ(send(WM_SYSKEYDOWN, keyLParam(1, false) | static_cast<std::intptr_t>(kAltContextBit)), 0);
    EXPECT_EQ(send(WM_SYSKEYDOWN, keyLParam(0x44, false)), 0);  // F10
    for (auto entry : keyStateTable) ASSERT_EQ(entry, 0);
}

TEST_F(WindowProcTest, CloseRequestsAreAbsorbedAndAltF4BecomesOne)
{
    EXPECT_EQ(send(WM_CLOSE), 0);
    EXPECT_EQ(send(WM_CREATE), 0);
    EXPECT_EQ(send(WM_QUIT), 0);
    EXPECT_EQ(send(WM_MOUSEMOVE), 1);

    send(WM_SYSKEYDOWN, keyLParam(0x3E, false) | static_cast<std::intptr_t>(kAltContextBit));
    WindowMessage posted;
    ASSERT_TRUE(peekMessage(posted));
    EXPECT_EQ(posted.message, WM_CLOSE);
    EXPECT_FALSE(peekMessage(posted));

    send(WM_DESTROY);
    ASSERT_TRUE(peekMessage(posted));
    EXPECT_EQ(posted.message, WM_QUIT);
    for (auto entry : keyStateTable) ASSERT_EQ(entry, 0);
}

TEST(ScanCodeTable, FollowsThePcKeyboardsSetOne)
{
    EXPECT_EQ(pcScanCodeFor(SDL_SCANCODE_ESCAPE).code, 0x01);
    EXPECT_EQ(pcScanCodeFor(SDL_SCANCODE_1).code, 0x02);
    EXPECT_EQ(pcScanCodeFor(SDL_SCANCODE_0).code, 0x0B);
    EXPECT_EQ(pcScanCodeFor(SDL_SCANCODE_Q).code, 0x10);
    EXPECT_EQ(pcScanCodeFor(SDL_SCANCODE_P).code, 0x19);
    EXPECT_EQ(pcScanCodeFor(SDL_SCANCODE_A).code, 0x1E);
    EXPECT_EQ(pcScanCodeFor(SDL_SCANCODE_L).code, 0x26);
    EXPECT_EQ(pcScanCodeFor(SDL_SCANCODE_Z).code, 0x2C);
    EXPECT_EQ(pcScanCodeFor(SDL_SCANCODE_M).code, 0x32);
    EXPECT_EQ(pcScanCodeFor(SDL_SCANCODE_SPACE).code, 0x39);
    EXPECT_EQ(pcScanCodeFor(SDL_SCANCODE_F1).code, 0x3B);
    EXPECT_EQ(pcScanCodeFor(SDL_SCANCODE_F10).code, 0x44);
    EXPECT_EQ(pcScanCodeFor(SDL_SCANCODE_F12).code, 0x58);
    EXPECT_EQ(pcScanCodeFor(SDL_SCANCODE_KP_0).code, 0x52);

    // Each extended key shares its base key's code and says it is extended.
    const std::pair<SDL_Scancode, SDL_Scancode> shared[] = {
        {SDL_SCANCODE_RCTRL, SDL_SCANCODE_LCTRL},   {SDL_SCANCODE_RALT, SDL_SCANCODE_LALT},
        {SDL_SCANCODE_KP_ENTER, SDL_SCANCODE_RETURN}, {SDL_SCANCODE_UP, SDL_SCANCODE_KP_8},
        {SDL_SCANCODE_LEFT, SDL_SCANCODE_KP_4},     {SDL_SCANCODE_DELETE, SDL_SCANCODE_KP_PERIOD},
        {SDL_SCANCODE_KP_DIVIDE, SDL_SCANCODE_SLASH}, {SDL_SCANCODE_HOME, SDL_SCANCODE_KP_7},
    };
    for (const auto& [extended, base] : shared) {
        EXPECT_EQ(pcScanCodeFor(extended).code, pcScanCodeFor(base).code) << SDL_GetScancodeName(extended);
        EXPECT_TRUE(pcScanCodeFor(extended).extended);
        EXPECT_FALSE(pcScanCodeFor(base).extended);
    }

    // No two keys of a standard keyboard's main block share a code.
    std::set<int> seen;
    for (int s = SDL_SCANCODE_A; s <= SDL_SCANCODE_RGUI; ++s) {
        const PcScanCode pc = pcScanCodeFor(s);
        if (pc.code == 0 || pc.extended || s == SDL_SCANCODE_PAUSE || s == SDL_SCANCODE_NONUSHASH) continue;
        EXPECT_TRUE(seen.insert(pc.code).second) << SDL_GetScancodeName(static_cast<SDL_Scancode>(s));
    }
    EXPECT_EQ(seen.size(), 86u) << "every key of the main block, function keys, keypad and modifiers";
}
