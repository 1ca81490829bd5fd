// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "platform/sdl_owners.h"

// Starts SDL's video subsystem for a window a person is to see, into `video`. SIGINT and SIGTERM
// stay the program's own: they end it, they are no close request. Returns what went wrong, or
// nothing: SDL quietly falls back to an invisible driver when there is no display, and a window
// nobody can see is refused, unless SDL_VIDEODRIVER asked for that driver.
std::string startVisibleVideo(SdlSubsystem& video);
