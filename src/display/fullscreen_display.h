// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "render/render_target.h"

// The full-screen display over the program-wide DisplayState. Calling order: openDisplay once,
// then any number of beginFrame / draw / presentFrame, then closeDisplay once.

// 0 when the screen of the frame size at 32 bits per pixel shows; -1 at the first failed step,
// leaving what was made for closeDisplay to give back.
int openDisplay();
int openFullscreenMode(int width, int height, int bits_per_pixel);
int createPrimarySurface();
void queryDisplayMode(int& width, int& height, int& bits_per_pixel);

std::uint8_t* lockPrimarySurface();
void unlockPrimarySurface();

// The target is the locked surface, with the row step of its memory; null pixels if the lock failed.
RenderTarget beginFrame();
// Always unlocks and shows, whether or not beginFrame managed to lock.
void presentFrame();
// Gives back only what was made: surface, device, then the window.
void closeDisplay();
