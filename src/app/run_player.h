// SPDX-License-Identifier: MIT
#pragma once

class PlayerBoundary;

// The player's whole life: display, font, frames, sound, playback, then everything given back.
// Returns the exit status: 0, 1 when no display could be shown, 128 + n after signal n.
int runPlayer(PlayerBoundary& boundary);
