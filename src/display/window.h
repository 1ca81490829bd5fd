// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "platform/window_system.h"

inline constexpr const char* kWindowTitle = "DirectDrawView";

// The player's one window: undecorated, at x, y of the given size, shown, with the mouse cursor
// hidden for the rest of the run. Null when it could not be created.
WindowOwner createMainWindow(int x, int y, int width, int height);

std::intptr_t windowProc(WindowHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

// Dispatches every pending message to windowProc and returns 0 once the queue is empty; never waits.
int pumpMessages();
