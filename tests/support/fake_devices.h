// SPDX-License-Identifier: MIT
#pragma once

#include <cstring>
#include <deque>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/player_devices.h"
#include "render/colours.h"

// Scripted devices that note every call in one shared log, in order.
using CallLog = std::vector<std::string>;

// 640x480 pixels in memory with a row step that may exceed a row; the bytes outside the picture
// start as, and must stay, kUntouched.
struct FakeScreen : Screen {
    static constexpr std::uint8_t kUntouched = 0x5A;
    FakeScreen(CallLog& log, std::ptrdiff_t row_step) : log(log), step(row_step), bytes(row_step * 480 + 64, kUntouched)
    {
    }

    int open(const ScreenMode& m) override
    {
        log.push_back("screen.open " + std::string(m.title) + " " + std::to_string(m.width) + "x" +
                      std::to_string(m.height) + "x" + std::to_string(m.bits_per_pixel));
        return opens ? 0 : -1;
    }
    std::string error() const override { return "no screen in this test"; }
    RenderTarget beginFrame() override
    {
        log.push_back("screen.beginFrame");
        // A loop that never ends fails its test instead of hanging it.
        if (begun > 100'000) throw std::runtime_error("playback went on after the clock ran out");
        return lock_fails_on.count(++begun) ? RenderTarget{nullptr, step} : RenderTarget{bytes.data(), step};
    }
    void presentFrame() override
    {
        log.push_back("screen.presentFrame");
        presented.push_back(drawnCode());
    }
    void close() override { log.push_back("screen.close"); }

    std::uint32_t pixel(int x, int y) const
    {
        std::uint32_t value;
        std::memcpy(&value, bytes.data() + y * step + x * 4, 4);
        return value;
    }
    // With a font whose code c has the bits of c in every row, the code of the top-left cell as
    // read back from its bottom pixel row; -1 before anything was drawn.
    int drawnCode() const
    {
        if (bytes[0] == kUntouched) return -1;
        int code = 0;
        for (int x = 0; x < 8; ++x) code = code << 1 | (pixel(x, 15) == kInkColour ? 1 : 0);
        return code;
    }

    CallLog& log;
    std::ptrdiff_t step;
    std::vector<std::uint8_t> bytes;
    bool opens = true;
    std::set<int> lock_fails_on;  // pass numbers, from 1
    int begun = 0;
    std::vector<int> presented;
};

// Each drain delivers the next prepared batch of events.
struct FakeInput : InputEvents {
    bool poll(InputEvent& event) override
    {
        if (drains.empty()) return false;
        auto& drain = drains.front();
        if (drain.empty()) {
            drains.pop_front();
            return false;
        }
        event = drain.front();
        drain.erase(drain.begin());
        return true;
    }
    static InputEvent key(InputEvent::Kind kind, std::uint8_t scan_code, bool system_key = false)
    {
        return {kind, scan_code, false, system_key};
    }
    std::deque<std::vector<InputEvent>> drains;
};

// Opens the devices listed, and loads any file that exists once open.
struct FakeAudio : AudioOutput {
    explicit FakeAudio(CallLog& log) : log(log) {}
    bool open(AudioDevice device, int rate_hz) override
    {
        const bool ok = opens.count(device) > 0;
        log.push_back(std::string("audio.open ") + (device == AudioDevice::system_default ? "default " : "other ") +
                      std::to_string(rate_hz) + (ok ? "" : " fails"));
        return is_open = is_open || ok;
    }
    bool load(const char* path) override
    {
        log.push_back("audio.load " + std::string(path));
        return is_open && std::filesystem::exists(path);
    }
    void play() override { log.push_back("audio.play"); }
    void pause() override {}
    void resume() override {}
    bool seek(double) override { return false; }
    double positionSeconds() const override { return -1; }
    double durationSeconds() const override { return -1; }
    void stop() override { log.push_back("audio.stop"); }
    void close() override
    {
        log.push_back("audio.close");
        is_open = false;
    }

    CallLog& log;
    std::set<AudioDevice> opens{AudioDevice::system_default};
    bool is_open = false;
};

// Gives the prepared readings one by one, then keeps the last.
struct FakeClock : Clock {
    explicit FakeClock(CallLog& log) : log(log) {}
    std::uint32_t nowMs() override
    {
        log.push_back("clock");
        if (!readings.empty()) last = readings.front(), readings.pop_front();
        return last;
    }
    CallLog& log;
    std::deque<std::uint32_t> readings;
    std::uint32_t last = 0;
};

struct FakeDevices {
    explicit FakeDevices(std::ptrdiff_t row_step = 2560) : screen(log, row_step) {}
    CallLog log;
    FakeScreen screen;
    FakeInput input;
    FakeAudio audio{log};
    FakeClock clock{log};
    std::atomic<int> signal{0};
    PlayerDevices devices{screen, input, audio, clock, signal};
};
