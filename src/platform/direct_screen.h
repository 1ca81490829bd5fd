// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>

#include "platform/window_message.h"

// A stand-in for the exclusive full-screen display the player draws into: the "device" is an SDL
// renderer that fills the whole display, the primary surface one streaming texture of 32-bit
// 0x00RRGGBB pixels, scaled to the display sharply with its shape kept.

struct ScreenDevice;
struct ScreenSurface;
struct ScreenDeviceDeleter {
    void operator()(ScreenDevice* device) const;
};
struct ScreenSurfaceDeleter {
    void operator()(ScreenSurface* surface) const;
};
using ScreenDeviceOwner = std::unique_ptr<ScreenDevice, ScreenDeviceDeleter>;
using ScreenSurfaceOwner = std::unique_ptr<ScreenSurface, ScreenSurfaceDeleter>;

// What a display-mode query or a lock reports.
struct SurfaceDescription {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::int32_t pitch_bytes = 0;
    std::uint32_t rgb_bit_count = 0;
    std::uint8_t* pixels = nullptr;
};

constexpr int DD_OK = 0;
constexpr int DDERR_GENERIC = -1;

// Each returns DD_OK or an error; platformError() says why.
int createScreenDevice(ScreenDeviceOwner& device, WindowHandle window);
// Makes the window cover the whole display at the desktop's size.
int setExclusiveFullScreen(ScreenDevice& device, WindowHandle window);
int setDisplayMode(ScreenDevice& device, int width, int height, int bits_per_pixel);
int createScreenSurface(ScreenDevice& device, ScreenSurfaceOwner& surface);
int getDisplayMode(const ScreenDevice& device, SurfaceDescription& description);

// Never waits. pixels stays null when the lock fails.
int lockSurface(ScreenSurface& surface, SurfaceDescription& description);
// Unlocks if locked, then shows the surface's contents, without waiting for the vertical blank.
int unlockSurface(ScreenSurface& surface);

// The name of the renderer behind the device ("opengl", "software", ...), for reports.
const char* screenRendererName(const ScreenDevice& device);
