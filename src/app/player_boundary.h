// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

#include "render/render_target.h"

// Everything the playback logic needs from the machine: the screen, the window's messages, the
// soundtrack and the clock. The real one stands on SDL; tests put a scripted fake here.
class PlayerBoundary {
public:
    virtual ~PlayerBoundary() = default;

    // 0 when a screen of the frame size at 32 bits per pixel is showing, -1 when not; then
    // displayError() says why.
    virtual int openDisplay(int frame_width, int frame_height) = 0;
    virtual std::string displayError() const = 0;
    // Every beginFrame has its presentFrame, even when the lock failed (null pixels).
    virtual RenderTarget beginFrame() = 0;
    virtual void presentFrame() = 0;
    virtual void closeDisplay() = 0;

    // Dispatches every pending window message; key messages update the key state table.
    virtual int pumpMessages() = 0;
    // The termination signal received so far (SIGINT, SIGTERM), or 0.
    virtual int pendingTerminationSignal() = 0;

    virtual void startSoundtrack() = 0;
    virtual void stopSoundtrack() = 0;

    virtual std::uint32_t readClockMs() = 0;
};
