// SPDX-License-Identifier: MIT
#pragma once

#include "platform/direct_screen.h"
#include "platform/window_system.h"
#include "render/render_target.h"

// The screen the player draws on. Members are given back in reverse order of declaration, so
// whatever path ends the program, the surface goes before the device and the device before the
// window.
struct DisplayState {
    WindowOwner window;
    ScreenDeviceOwner direct_draw;
    ScreenSurfaceOwner primary_surface;
    SurfaceDescription display_mode;
    int frame_width = 0;
    int frame_height = 0;
    int bytes_per_pixel = 0;
    int frame_row_size = 0;
    RenderTarget render_target;
};

extern DisplayState displayState;
