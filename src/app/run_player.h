// SPDX-License-Identifier: MIT
#pragma once

#include "app/player_devices.h"

// The player's whole life: display, font, frames, sound, playback, then everything given back.
// Returns the exit status: 0, 1 when no display could be shown, 128 + n after signal n.
int runPlayer(PlayerDevices& devices);
