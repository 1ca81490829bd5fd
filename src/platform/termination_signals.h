// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>

// Whether SIGHUP, a closed terminal, ends playback too or keeps its default (the player, started
// from a desktop, has no terminal to lose).
enum class HangUp { keepsDefault, endsPlayback };

// SIGINT and SIGTERM end playback the way Escape does, so the sound is stopped and the display
// given back before the process exits; they are not window close requests. On Windows a console's
// Ctrl+C or Ctrl+Break counts as SIGINT, and its closing, a log-off or a shut-down as SIGTERM.
// Returns the flag the handler sets to the signal's number.
const std::atomic<int>& installTerminationHandlers(HangUp hang_up = HangUp::keepsDefault);
