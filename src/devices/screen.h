// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "render/render_target.h"

// How a screen is to show its picture.
struct ScreenMode {
    const char* title = "";
    int width = 0;  // the picture's size in pixels, whatever size the screen itself has
    int height = 0;
    int bits_per_pixel = 32;
};

// The device edge of the picture: a surface of the mode's size that frames are drawn into and
// that is shown, scaled sharply to fill the screen with its shape kept. Calling order: open once,
// then any number of beginFrame / draw / presentFrame, then close once.
class Screen {
public:
    virtual ~Screen() = default;

    // 0 when the picture shows; -1 at the first step that failed, and error() says why. What was
    // made stays for close() to give back.
    virtual int open(const ScreenMode& mode) = 0;
    virtual std::string error() const = 0;

    // The surface's pixels with the row step of its own memory; null pixels when it cannot be
    // locked. Never waits.
    virtual RenderTarget beginFrame() = 0;
    // Unlocks if locked and shows the surface, without waiting for the vertical blank. Every
    // beginFrame has its presentFrame, even when the lock failed.
    virtual void presentFrame() = 0;

    // Gives back whatever open made, in reverse order; safe to call after a failed open.
    virtual void close() = 0;
};
