// SPDX-License-Identifier: MIT
#include "app/run_player.h"
#include "platform/sdl_audio_output.h"
#include "platform/sdl_input_events.h"
#include "platform/sdl_screen.h"
#include "platform/termination_signals.h"
#include "platform/wall_clock.h"

// Takes no arguments and reads no configuration: the three files come from the current folder.
int main(int, char**)
{
    const std::atomic<int>& termination_signal = installTerminationHandlers();
    // Declared in the order they are opened, so that whatever path ends the run, the sound goes
    // before the screen.
    SdlScreen screen;
    SdlInputEvents input;
    SdlAudioOutput audio;
    WallClock clock;
    PlayerDevices devices{screen, input, audio, clock, termination_signal};
    return runPlayer(devices);
}
