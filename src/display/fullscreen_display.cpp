// SPDX-License-Identifier: MIT
#include "display/fullscreen_display.h"

#include "display/display_state.h"
#include "display/window.h"

DisplayState displayState;

namespace {
constexpr int kBitsPerPixel = 32;
}  // namespace

int openFullscreenMode(int width, int height, int bits_per_pixel)
{
    displayState.window = createMainWindow(0, 0, width, height);
    if (!displayState.window) return -1;
    if (createScreenDevice(displayState.direct_draw, displayState.window.get()) != DD_OK) return -1;
    if (setExclusiveFullScreen(*displayState.direct_draw, displayState.window.get()) != DD_OK) return -1;
    if (setDisplayMode(*displayState.direct_draw, width, height, bits_per_pixel) != DD_OK) return -1;
    if (createPrimarySurface() != 0) return -1;
    return 0;
}

int createPrimarySurface()
{
    if (createScreenSurface(*displayState.direct_draw, displayState.primary_surface) != DD_OK) return -1;
    displayState.display_mode = {};
    if (getDisplayMode(*displayState.direct_draw, displayState.display_mode) != DD_OK) return -1;
    return 0;
}

void queryDisplayMode(int& width, int& height, int& bits_per_pixel)
{
    width = static_cast<int>(displayState.display_mode.width);
    height = static_cast<int>(displayState.display_mode.height);
    bits_per_pixel = static_cast<int>(displayState.display_mode.rgb_bit_count);
}

int openDisplay()
{
    const int result = openFullscreenMode(displayState.frame_width, displayState.frame_height, kBitsPerPixel);
    int width = 0;
    int height = 0;
    int bits_per_pixel = 0;
    queryDisplayMode(width, height, bits_per_pixel);
    displayState.bytes_per_pixel = bits_per_pixel / 8;
    displayState.frame_row_size = displayState.bytes_per_pixel * displayState.frame_width;
    return result;
}

std::uint8_t* lockPrimarySurface()
{
    SurfaceDescription locked{};
    if (!displayState.primary_surface || lockSurface(*displayState.primary_surface, locked) != DD_OK) return nullptr;
    // The texture's own pitch may exceed the frame row size; drawing steps by what the memory has.
    displayState.render_target.row_step_bytes = locked.pitch_bytes;
    return locked.pixels;
}

void unlockPrimarySurface()
{
    if (displayState.primary_surface) unlockSurface(*displayState.primary_surface);
}

RenderTarget beginFrame()
{
    // The lock sets the row step along with the pixels.
    displayState.render_target.pixels = lockPrimarySurface();
    return displayState.render_target;
}

void presentFrame()
{
    unlockPrimarySurface();
    displayState.render_target.pixels = nullptr;
}

void closeDisplay()
{
    displayState.primary_surface.reset();
    displayState.direct_draw.reset();
    minimiseWindow(displayState.window.get());
    // The window would go with the process; it goes here so that nothing outlives the display.
    displayState.window.reset();
}
