// SPDX-License-Identifier: MIT
#pragma once

#include "devices/screen.h"

inline constexpr const char* kWindowTitle = "DirectDrawView";
inline constexpr int kFrameWidth = 640;   // 80 columns of 8 pixels
inline constexpr int kFrameHeight = 480;  // 30 rows of 16 pixels
inline constexpr int kBitsPerPixel = 32;

// Takes over the whole screen for a 640x480 picture at 32 bits per pixel, in the player's one
// undecorated window with the mouse cursor hidden. 0 when it shows, -1 when not.
int openDisplay(Screen& screen);
