// SPDX-License-Identifier: MIT
#pragma once

#include <memory>

#include "devices/screen.h"

// The screen over SDL: a borderless window covering the desktop, a renderer that presents without
// waiting for the vertical blank, and one streaming texture of 0x00RRGGBB pixels scaled into the
// window with nearest-neighbour sampling and black bars.
class SdlScreen : public Screen {
public:
    SdlScreen();
    ~SdlScreen() override;
    SdlScreen(const SdlScreen&) = delete;
    SdlScreen& operator=(const SdlScreen&) = delete;

    int open(const ScreenMode& mode) override;
    std::string error() const override;
    RenderTarget beginFrame() override;
    void presentFrame() override;
    void close() override;

    // The renderer SDL chose ("opengl", "software", ...), for reports; "none" before open.
    std::string rendererName() const;

private:
    struct Handles;
    std::unique_ptr<Handles> handles_;
    std::string error_;
};
