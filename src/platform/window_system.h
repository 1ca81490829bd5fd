// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <string>

#include "platform/window_message.h"

// A small stand-in for the Win32 window calls the player makes, over SDL's video subsystem.

struct WindowDeleter {
    void operator()(PlatformWindow* window) const;
};
using WindowOwner = std::unique_ptr<PlatformWindow, WindowDeleter>;

// Starts the window system (what fetching the module instance stands for). Leaves SIGINT and
// SIGTERM to the program: they end playback, they are no close request.
bool initWindowSystem();

// One undecorated window at x, y of the given size, hidden until showWindow. Null on failure;
// platformError() then says why. A window system that would show nothing (SDL falling back to its
// offscreen or dummy driver when nobody asked for one) counts as a failure.
WindowOwner createPopupWindow(const char* title, int x, int y, int width, int height);
void showWindow(WindowHandle window);
void hideCursor();
void minimiseWindow(WindowHandle window);

// Takes the next pending message without waiting; false when the queue is empty.
bool peekMessage(WindowMessage& message);
void postMessage(const WindowMessage& message);
// The default handling: Alt+F4 turns into a close request; everything else is ignored.
std::intptr_t defWindowProc(WindowHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

std::string platformError();
