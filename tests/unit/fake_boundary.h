// SPDX-License-Identifier: MIT
#pragma once

#include <deque>
#include <set>
#include <functional>
#include <string>
#include <vector>

#include "app/player_boundary.h"
#include "display/key_state_table.h"
#include "display/window.h"
#include "pixels.h"

// A scripted machine: a clock that returns prepared readings, messages queued per drain and
// dispatched through the real window procedure, and a record of every call in order.
class FakeBoundary : public PlayerBoundary {
public:
    FakeBoundary() { keyStateTable.fill(0); }
    ~FakeBoundary() override { keyStateTable.fill(0); }

    int openDisplay(int width, int height) override
    {
        calls.push_back("openDisplay " + std::to_string(width) + "x" + std::to_string(height));
        return display_opens ? 0 : -1;
    }
    std::string displayError() const override { return "no screen in this test"; }
    RenderTarget beginFrame() override
    {
        calls.push_back("beginFrame");
        ++begun;
        if (lock_fails_on.count(begun)) return {nullptr, 2560};
        return screen.target();
    }
    void presentFrame() override
    {
        calls.push_back("presentFrame");
        presented_codes.push_back(lastDrawnCode());
    }
    void closeDisplay() override { calls.push_back("closeDisplay"); }
    int pumpMessages() override
    {
        calls.push_back("pumpMessages");
        if (!drains.empty()) {
            for (const WindowMessage& message : drains.front()) {
                windowProc(message.window, message.message, message.wParam, message.lParam);
            }
            drains.pop_front();
        }
        return 0;
    }
    int pendingTerminationSignal() override { return clock_reads >= signal_after_reads ? signal_number : 0; }
    void startSoundtrack() override
    {
        calls.push_back("startSoundtrack");
        if (on_start_soundtrack) on_start_soundtrack();
    }
    void stopSoundtrack() override { calls.push_back("stopSoundtrack"); }
    std::uint32_t readClockMs() override
    {
        calls.push_back("readClock");
        ++clock_reads;
        if (clock.empty()) return last_reading;
        last_reading = clock.front();
        clock.pop_front();
        return last_reading;
    }

    // The code of the top-left cell as drawn, read back from the pixels through the test font in
    // which code c has the bit pattern c in its top row.
    int lastDrawnCode() const
    {
        int code = 0;
        for (int x = 0; x < 8; ++x) code = (code << 1) | (screen.pixel(x, 0) == kInkColour ? 1 : 0);
        return screen.pixel(0, 0) == 0x5A5A5A5Au ? -1 : code;
    }

    static WindowMessage key(std::uint32_t message, std::uint8_t scan_code, bool up)
    {
        std::uint32_t lparam = 1u | (static_cast<std::uint32_t>(scan_code) << 16);
        if (up) lparam |= (1u << 30) | (1u << 31);
        return {nullptr, message, 0, static_cast<std::intptr_t>(lparam)};
    }

    bool display_opens = true;
    std::deque<std::uint32_t> clock;
    std::uint32_t last_reading = 0;
    std::deque<std::vector<WindowMessage>> drains;
    std::set<int> lock_fails_on;
    int signal_number = 0;
    int signal_after_reads = 1 << 30;
    std::function<void()> on_start_soundtrack;

    std::vector<std::string> calls;
    std::vector<int> presented_codes;
    int begun = 0;
    int clock_reads = 0;
    PixelBuffer screen{2560, 0, 0x5A};
};
