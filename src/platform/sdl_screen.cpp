// SPDX-License-Identifier: MIT
#include "platform/sdl_screen.h"

#include <SDL.h>

#include "platform/sdl_owners.h"
#include "platform/sdl_video_start.h"

// Declared in the order they are made, so they are given back in reverse: the texture before the
// renderer, the renderer before the window, the window before the video subsystem.
struct SdlScreen::Handles {
    SdlSubsystem video;
    SdlWindowOwner window;
    SdlRendererOwner renderer;
    SdlTextureOwner texture;
    bool locked = false;
};

SdlScreen::SdlScreen() = default;
SdlScreen::~SdlScreen() { close(); }

int SdlScreen::open(const ScreenMode& mode)
{
    const auto fail = [this](const char* what) {
        error_ = std::string(what) + ": " + SDL_GetError();
        return -1;
    };
    close();
    handles_ = std::make_unique<Handles>();
    Handles& h = *handles_;

    error_ = startVisibleVideo(h.video);
    if (!error_.empty()) return -1;

    h.window.reset(
        SDL_CreateWindow(mode.title, 0, 0, mode.width, mode.height, SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN));
    if (!h.window) return fail("cannot create the window");
    SDL_ShowWindow(h.window.get());
    SDL_ShowCursor(SDL_DISABLE);

    // No SDL_RENDERER_PRESENTVSYNC, and none from SDL_RENDER_VSYNC in the environment either:
    // presenting must never wait for the vertical blank.
    h.renderer.reset(SDL_CreateRenderer(h.window.get(), -1, 0));
    if (!h.renderer) return fail("cannot create a renderer");
    SDL_RenderSetVSync(h.renderer.get(), 0);

    // Without a window manager the full-screen flag alone leaves the window at its first size, so
    // it is also sized to the desktop; where there is one the two agree.
    SDL_DisplayMode desktop;
    const int display = SDL_GetWindowDisplayIndex(h.window.get());
    if (SDL_GetDesktopDisplayMode(display < 0 ? 0 : display, &desktop) != 0)
        return fail("cannot read the desktop size");
    SDL_SetWindowPosition(h.window.get(), 0, 0);
    SDL_SetWindowSize(h.window.get(), desktop.w, desktop.h);
    if (SDL_SetWindowFullscreen(h.window.get(), SDL_WINDOW_FULLSCREEN_DESKTOP) != 0)
        return fail("cannot go full screen");

    if (mode.bits_per_pixel != 32) {
        error_ = "only 32 bits per pixel are offered, not " + std::to_string(mode.bits_per_pixel);
        return -1;
    }
    // The largest picture of the mode's shape that fits, centred with black bars.
    if (SDL_RenderSetLogicalSize(h.renderer.get(), mode.width, mode.height) != 0)
        return fail("cannot set the picture size");

    // XRGB8888: the top byte is ignored, and with no blending a 0x00RRGGBB pixel shows as it is.
    h.texture.reset(SDL_CreateTexture(h.renderer.get(), SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, mode.width,
                                      mode.height));
    if (!h.texture) return fail("cannot create the screen texture");
    SDL_SetTextureBlendMode(h.texture.get(), SDL_BLENDMODE_NONE);
    // Sharp pixels whatever SDL_RENDER_SCALE_QUALITY says: a blurred cell is a wrong picture.
    SDL_SetTextureScaleMode(h.texture.get(), SDL_ScaleModeNearest);
    return 0;
}

std::string SdlScreen::error() const { return error_; }

RenderTarget SdlScreen::beginFrame()
{
    if (!handles_ || !handles_->texture || handles_->locked) return {};
    void* pixels = nullptr;
    int pitch_bytes = 0;
    if (SDL_LockTexture(handles_->texture.get(), nullptr, &pixels, &pitch_bytes) != 0) return {};
    handles_->locked = true;
    // The texture's own pitch may exceed a row of pixels; drawing steps by what the memory has.
    return {static_cast<std::uint8_t*>(pixels), pitch_bytes};
}

void SdlScreen::presentFrame()
{
    if (!handles_ || !handles_->texture) return;
    if (handles_->locked) {
        SDL_UnlockTexture(handles_->texture.get());
        handles_->locked = false;
    }
    SDL_Renderer* renderer = handles_->renderer.get();
    SDL_RenderClear(renderer);
    SDL_RenderCopy(renderer, handles_->texture.get(), nullptr, nullptr);
    SDL_RenderPresent(renderer);
}

void SdlScreen::close()
{
    if (!handles_) return;
    if (handles_->locked) SDL_UnlockTexture(handles_->texture.get());
    handles_->texture.reset();
    handles_->renderer.reset();
    if (handles_->window) SDL_MinimizeWindow(handles_->window.get());
    handles_.reset();
}

std::string SdlScreen::rendererName() const
{
    SDL_RendererInfo info;
    if (!handles_ || !handles_->renderer || SDL_GetRendererInfo(handles_->renderer.get(), &info) != 0) return "none";
    return info.name;
}
