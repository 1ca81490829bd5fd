// SPDX-License-Identifier: MIT
#pragma once

#include <SDL.h>

// The SDL side of a window handle; only the platform layer sees inside it.
struct PlatformWindow {
    static constexpr const char* kDataName = "kvqplay.window";
    PlatformWindow() = default;
    PlatformWindow(const PlatformWindow&) = delete;
    PlatformWindow& operator=(const PlatformWindow&) = delete;
    ~PlatformWindow();

    SDL_Window* window = nullptr;
};
