// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>

#include "devices/audio_output.h"
#include "devices/clock.h"
#include "devices/input_events.h"
#include "devices/screen.h"

// The machine as the player sees it. The real devices stand on SDL; tests put fakes here.
struct PlayerDevices {
    Screen& screen;
    InputEvents& input;
    AudioOutput& audio;
    Clock& clock;
    // The termination signal received so far (SIGINT, SIGTERM), or 0.
    const std::atomic<int>& termination_signal;
};
