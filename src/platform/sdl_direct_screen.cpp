// SPDX-License-Identifier: MIT
#include <SDL.h>

#include <string>

#include "platform/direct_screen.h"
#include "platform/sdl_window.h"
#include "platform/window_system.h"

namespace {

int fail(const char* what)
{
    // SDL's message is copied first: SDL_SetError writes into the buffer it would be read from.
    const std::string reason = SDL_GetError();
    SDL_SetError("%s: %s", what, reason.c_str());
    return DDERR_GENERIC;
}

}  // namespace

struct ScreenDevice {
    ScreenDevice() = default;
    ScreenDevice(const ScreenDevice&) = delete;
    ScreenDevice& operator=(const ScreenDevice&) = delete;
    ~ScreenDevice()
    {
        if (renderer) SDL_DestroyRenderer(renderer);
        // Giving the device back is what leaves full-screen mode.
        if (window) SDL_SetWindowFullscreen(window, 0);
    }

    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    int width = 0;
    int height = 0;
    int bits_per_pixel = 0;
};

struct ScreenSurface {
    ScreenSurface() = default;
    ScreenSurface(const ScreenSurface&) = delete;
    ScreenSurface& operator=(const ScreenSurface&) = delete;
    ~ScreenSurface()
    {
        if (locked) SDL_UnlockTexture(texture);
        if (texture) SDL_DestroyTexture(texture);
    }

    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    int width = 0;
    int height = 0;
    bool locked = false;
};

void ScreenDeviceDeleter::operator()(ScreenDevice* device) const { delete device; }
void ScreenSurfaceDeleter::operator()(ScreenSurface* surface) const { delete surface; }

int createScreenDevice(ScreenDeviceOwner& device, WindowHandle window)
{
    if (!window) return fail("no window");
    device.reset(new ScreenDevice);
    device->window = window->window;
    // No SDL_RENDERER_PRESENTVSYNC: presenting must never wait for the vertical blank.
    device->renderer = SDL_CreateRenderer(window->window, -1, 0);
    if (!device->renderer) return fail("cannot create a renderer");
    // SDL_RENDER_VSYNC in the environment would make every present wait; the player never waits.
    SDL_RenderSetVSync(device->renderer, 0);
    return DD_OK;
}

int setExclusiveFullScreen(ScreenDevice& device, WindowHandle window)
{
    if (!window) return fail("no window");
    // Without a window manager the full-screen flag alone leaves the window at its first size, so
    // it is also sized to the desktop; where there is one the two agree.
    SDL_DisplayMode desktop;
    const int display = SDL_GetWindowDisplayIndex(window->window);
    if (SDL_GetDesktopDisplayMode(display < 0 ? 0 : display, &desktop) != 0) return fail("cannot read the desktop size");
    SDL_SetWindowPosition(window->window, 0, 0);
    SDL_SetWindowSize(window->window, desktop.w, desktop.h);
    if (SDL_SetWindowFullscreen(window->window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) return fail("cannot go full screen");
    (void)device;
    return DD_OK;
}

int setDisplayMode(ScreenDevice& device, int width, int height, int bits_per_pixel)
{
    if (bits_per_pixel != 32) {
        SDL_SetError("only 32 bits per pixel are offered, not %d", bits_per_pixel);
        return DDERR_GENERIC;
    }
    // The largest 4:3 picture that fits, centred with black bars, every pixel a sharp block.
    if (SDL_RenderSetLogicalSize(device.renderer, width, height) != 0) return fail("cannot set the picture size");
    device.width = width;
    device.height = height;
    device.bits_per_pixel = bits_per_pixel;
    return DD_OK;
}

int createScreenSurface(ScreenDevice& device, ScreenSurfaceOwner& surface)
{
    surface.reset(new ScreenSurface);
    surface->renderer = device.renderer;
    surface->width = device.width;
    surface->height = device.height;
    // XRGB8888: the top byte is ignored, and with no blending a 0x00RRGGBB pixel shows as it is.
    surface->texture = SDL_CreateTexture(device.renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                         device.width, device.height);
    if (!surface->texture) return fail("cannot create the screen texture");
    SDL_SetTextureBlendMode(surface->texture, SDL_BLENDMODE_NONE);
    // Sharp pixels whatever SDL_RENDER_SCALE_QUALITY says: a blurred cell is a wrong picture.
    SDL_SetTextureScaleMode(surface->texture, SDL_ScaleModeNearest);
    return DD_OK;
}

int getDisplayMode(const ScreenDevice& device, SurfaceDescription& description)
{
    description.width = static_cast<std::uint32_t>(device.width);
    description.height = static_cast<std::uint32_t>(device.height);
    description.rgb_bit_count = static_cast<std::uint32_t>(device.bits_per_pixel);
    description.pitch_bytes = device.width * device.bits_per_pixel / 8;
    return DD_OK;
}

int lockSurface(ScreenSurface& surface, SurfaceDescription& description)
{
    void* pixels = nullptr;
    int pitch = 0;
    if (surface.locked || SDL_LockTexture(surface.texture, nullptr, &pixels, &pitch) != 0) return DDERR_GENERIC;
    surface.locked = true;
    description.width = static_cast<std::uint32_t>(surface.width);
    description.height = static_cast<std::uint32_t>(surface.height);
    description.pitch_bytes = pitch;
    description.rgb_bit_count = 32;
    description.pixels = static_cast<std::uint8_t*>(pixels);
    return DD_OK;
}

int unlockSurface(ScreenSurface& surface)
{
    if (surface.locked) {
        SDL_UnlockTexture(surface.texture);
        surface.locked = false;
    }
    SDL_RenderClear(surface.renderer);
    SDL_RenderCopy(surface.renderer, surface.texture, nullptr, nullptr);
    SDL_RenderPresent(surface.renderer);
    return DD_OK;
}

const char* screenRendererName(const ScreenDevice& device)
{
    SDL_RendererInfo info;
    if (!device.renderer || SDL_GetRendererInfo(device.renderer, &info) != 0) return "none";
    return info.name;
}
