// SPDX-License-Identifier: MIT
#include "platform/review/sdl_review_window.h"

#include <SDL.h>

#include <algorithm>

#include "platform/sdl_owners.h"
#include "platform/sdl_video_start.h"

namespace {

constexpr int kPictureWidth = 640;
constexpr int kPictureHeight = 480;
// X11 keeps window sizes in 16 bits; a scale past this is no window anyone can have.
constexpr int kLargestSide = 32767;

ReviewKey reviewKeyFor(SDL_Keycode key, int& digit)
{
    if (key >= SDLK_0 && key <= SDLK_9) {
        digit = static_cast<int>(key - SDLK_0);
        return ReviewKey::digit;
    }
    switch (key) {
    case SDLK_SPACE:
        return ReviewKey::space;
    case SDLK_LEFT:
        return ReviewKey::left;
    case SDLK_RIGHT:
        return ReviewKey::right;
    case SDLK_UP:
        return ReviewKey::up;
    case SDLK_DOWN:
        return ReviewKey::down;
    case SDLK_PAGEUP:
        return ReviewKey::page_up;
    case SDLK_PAGEDOWN:
        return ReviewKey::page_down;
    case SDLK_HOME:
        return ReviewKey::home;
    case SDLK_END:
        return ReviewKey::end;
    case SDLK_COMMA:
        return ReviewKey::comma;
    case SDLK_PERIOD:
        return ReviewKey::period;
    case SDLK_LEFTBRACKET:
        return ReviewKey::bracket_left;
    case SDLK_RIGHTBRACKET:
        return ReviewKey::bracket_right;
    case SDLK_l:
        return ReviewKey::l;
    case SDLK_m:
        return ReviewKey::m;
    case SDLK_s:
        return ReviewKey::s;
    case SDLK_h:
    case SDLK_F1:
        return ReviewKey::h;
    case SDLK_MINUS:
    case SDLK_KP_MINUS:
        return ReviewKey::minus;
    case SDLK_EQUALS:
    case SDLK_PLUS:
    case SDLK_KP_PLUS:
        return ReviewKey::plus;
    case SDLK_f:
        return ReviewKey::f;
    case SDLK_F11:
        return ReviewKey::f11;
    case SDLK_q:
        return ReviewKey::q;
    case SDLK_ESCAPE:
        return ReviewKey::escape;
    default:
        return ReviewKey::other;
    }
}

ReviewEvent pointerEvent(ReviewEvent::Kind kind, int x, int y)
{
    ReviewEvent event;
    event.kind = kind;
    event.x = x;
    event.y = y;
    return event;
}

// What the review player makes of one SDL event; false for those it has no use for.
bool translate(const SDL_Event& sdl_event, ReviewEvent& event)
{
    switch (sdl_event.type) {
    case SDL_KEYDOWN: {
        event = {};
        event.kind = ReviewEvent::Kind::key;
        event.key = reviewKeyFor(sdl_event.key.keysym.sym, event.digit);
        event.shift = (sdl_event.key.keysym.mod & KMOD_SHIFT) != 0;
        return true;
    }
    case SDL_MOUSEMOTION:
        event = pointerEvent(ReviewEvent::Kind::pointer_move, sdl_event.motion.x, sdl_event.motion.y);
        return true;
    case SDL_MOUSEBUTTONDOWN:
        if (sdl_event.button.button != SDL_BUTTON_LEFT) return false;
        event = pointerEvent(
            sdl_event.button.clicks == 2 ? ReviewEvent::Kind::double_click : ReviewEvent::Kind::pointer_down,
            sdl_event.button.x, sdl_event.button.y);
        return true;
    case SDL_MOUSEBUTTONUP:
        if (sdl_event.button.button != SDL_BUTTON_LEFT) return false;
        event = pointerEvent(ReviewEvent::Kind::pointer_up, sdl_event.button.x, sdl_event.button.y);
        return true;
    case SDL_MOUSEWHEEL: {
        // SDL counts a turn away from the person as positive, unless the system flips it.
        const int notches =
            sdl_event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? sdl_event.wheel.y : -sdl_event.wheel.y;
        if (notches == 0) return false;
        event = {};
        event.kind = ReviewEvent::Kind::wheel;
        event.wheel = notches;
        return true;
    }
    case SDL_QUIT:
        event = {};
        event.kind = ReviewEvent::Kind::close;
        return true;
    case SDL_WINDOWEVENT:
        switch (sdl_event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            event = {};
            event.kind = ReviewEvent::Kind::close;
            return true;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_RESTORED:
            event = {};
            event.kind = ReviewEvent::Kind::redraw;
            return true;
        default:
            return false;
        }
    case SDL_RENDER_TARGETS_RESET:
        // Our textures are no render targets, so they keep their pixels; the window's did not.
        event = {};
        event.kind = ReviewEvent::Kind::redraw;
        return true;
    default:
        return false;
    }
}

}  // namespace

// Declared in the order they are made, so they are given back in reverse: the textures before the
// renderer, the renderer before the window, the window before the video subsystem.
struct SdlReviewWindow::Handles {
    SdlSubsystem video;
    SdlWindowOwner window;
    SdlRendererOwner renderer;
    SdlTextureOwner screen;  // the window's pixels as last given
    WindowSize screen_size;
    // Where the window was and how large before it went full screen, to go back to.
    SDL_Rect windowed{SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kPictureWidth, kPictureHeight};
};

SdlReviewWindow::SdlReviewWindow() = default;
SdlReviewWindow::~SdlReviewWindow() { close(); }

int SdlReviewWindow::open(const char* title, int scale, bool fullscreen)
{
    const auto fail = [this](const char* what) {
        error_ = std::string(what) + ": " + SDL_GetError();
        return -1;
    };
    close();
    error_.clear();
    notice_.clear();
    if (scale < 0 || scale > kLargestSide / kPictureWidth) {
        error_ = "the scale must lie between 0 and " + std::to_string(kLargestSide / kPictureWidth) + ", not " +
                 std::to_string(scale);
        return -1;
    }
    handles_ = std::make_unique<Handles>();
    Handles& h = *handles_;

    // One close request is one close event: no SDL_QUIT of SDL's own after the window's.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    error_ = startVisibleVideo(h.video);
    if (!error_.empty()) return -1;

    // The window opens on the first display; its size is a whole multiple of the picture's, and
    // no larger than the desktop can show.
    SDL_Rect usable;
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0) return fail("cannot read the desktop's usable size");
    const int fits = std::max(1, std::min(usable.w / kPictureWidth, usable.h / kPictureHeight));
    if (scale > fits) {
        notice_ = "--scale " + std::to_string(scale) + " is larger than the desktop (" + std::to_string(usable.w) +
                  "x" + std::to_string(usable.h) + "): using " + std::to_string(fits);
    }
    if (scale == 0 || scale > fits) scale = fits;
    h.windowed.w = scale * kPictureWidth;
    h.windowed.h = scale * kPictureHeight;

    SDL_Rect first = h.windowed;
    Uint32 flags = SDL_WINDOW_RESIZABLE | SDL_WINDOW_HIDDEN;
    if (fullscreen) {
        // Without a window manager the full-screen flag alone leaves the window at its first size,
        // so it is also made at the desktop's place and size; where there is one the two agree.
        SDL_DisplayMode desktop;
        SDL_Rect bounds;
        if (SDL_GetDesktopDisplayMode(0, &desktop) != 0 || SDL_GetDisplayBounds(0, &bounds) != 0) {
            return fail("cannot read the desktop size");
        }
        first = {bounds.x, bounds.y, desktop.w, desktop.h};
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    }
    h.window.reset(SDL_CreateWindow(title, first.x, first.y, first.w, first.h, flags));
    if (!h.window) return fail("cannot create the window");

    // In step with the vertical blank: the review player redraws only when something changed, and
    // then no faster than the display shows.
    h.renderer.reset(SDL_CreateRenderer(h.window.get(), -1, SDL_RENDERER_ACCELERATED));
    if (!h.renderer) h.renderer.reset(SDL_CreateRenderer(h.window.get(), -1, SDL_RENDERER_SOFTWARE));
    if (!h.renderer) return fail("cannot create a renderer");

    SDL_ShowWindow(h.window.get());
    return 0;
}

std::string SdlReviewWindow::error() const { return error_; }

void SdlReviewWindow::setFullscreen(bool on)
{
    if (!handles_ || !handles_->window) return;
    SDL_Window* window = handles_->window.get();
    if (on == fullscreen()) return;
    if (on) {
        // Remembered to go back to; then, for want of a window manager that would do it, the
        // window is put over the whole desktop itself before the flag is set.
        SDL_Rect& windowed = handles_->windowed;
        SDL_GetWindowPosition(window, &windowed.x, &windowed.y);
        SDL_GetWindowSize(window, &windowed.w, &windowed.h);
        const int display = std::max(0, SDL_GetWindowDisplayIndex(window));
        SDL_DisplayMode desktop;
        SDL_Rect bounds;
        if (SDL_GetDesktopDisplayMode(display, &desktop) == 0 && SDL_GetDisplayBounds(display, &bounds) == 0) {
            SDL_SetWindowPosition(window, bounds.x, bounds.y);
            SDL_SetWindowSize(window, desktop.w, desktop.h);
        }
        if (SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
            error_ = std::string("cannot go full screen: ") + SDL_GetError();
        }
    } else {
        if (SDL_SetWindowFullscreen(window, 0) != 0) {
            error_ = std::string("cannot leave full screen: ") + SDL_GetError();
            return;
        }
        const SDL_Rect& windowed = handles_->windowed;
        SDL_SetWindowSize(window, windowed.w, windowed.h);
        SDL_SetWindowPosition(window, windowed.x, windowed.y);
    }
}

bool SdlReviewWindow::fullscreen() const
{
    if (!handles_ || !handles_->window) return false;
    return (SDL_GetWindowFlags(handles_->window.get()) & SDL_WINDOW_FULLSCREEN) != 0;
}

WindowSize SdlReviewWindow::size() const
{
    WindowSize size;
    if (handles_ && handles_->renderer) SDL_GetRendererOutputSize(handles_->renderer.get(), &size.width, &size.height);
    return size;
}

void SdlReviewWindow::show(std::span<const std::uint32_t> pixels, int width, int height, int scale)
{
    if (!handles_ || !handles_->renderer || width <= 0 || height <= 0 || scale <= 0 ||
        pixels.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
        return;
    }
    Handles& h = *handles_;
    SDL_Renderer* renderer = h.renderer.get();
    const WindowSize wanted{width, height};
    if (!h.screen || !(h.screen_size == wanted)) {
        // XRGB8888: the top byte is ignored, and with no blending a 0x00RRGGBB pixel shows as it is.
        h.screen.reset(SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, width, height));
        if (!h.screen) return;
        SDL_SetTextureBlendMode(h.screen.get(), SDL_BLENDMODE_NONE);
        // Whole blocks whatever SDL_RENDER_SCALE_QUALITY says.
        SDL_SetTextureScaleMode(h.screen.get(), SDL_ScaleModeNearest);
        h.screen_size = wanted;
    }
    SDL_UpdateTexture(h.screen.get(), nullptr, pixels.data(), width * 4);
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, SDL_ALPHA_OPAQUE);
    SDL_RenderClear(renderer);
    // The player has scaled what it gives to the window's size, or to a whole part of it.
    const SDL_Rect place{0, 0, width * scale, height * scale};
    SDL_RenderCopy(renderer, h.screen.get(), nullptr, &place);
    SDL_RenderPresent(renderer);
}

bool SdlReviewWindow::waitEvent(ReviewEvent& event, int timeout_ms)
{
    if (!handles_ || !handles_->window) return false;
    const Uint64 start = SDL_GetTicks64();
    for (;;) {
        // Events of no use to the player use up part of the wait, never more than all of it.
        int wait = timeout_ms;
        if (timeout_ms > 0) {
            const Uint64 elapsed = SDL_GetTicks64() - start;
            wait = elapsed >= static_cast<Uint64>(timeout_ms) ? 0 : timeout_ms - static_cast<int>(elapsed);
        }
        SDL_Event sdl_event;
        const int got = wait == 0 ? SDL_PollEvent(&sdl_event) : SDL_WaitEventTimeout(&sdl_event, wait);
        if (!got) return false;
        if (translate(sdl_event, event)) return true;
    }
}

void SdlReviewWindow::close()
{
    if (!handles_) return;
    handles_->screen.reset();
    handles_->renderer.reset();
    handles_->window.reset();
    handles_.reset();  // the video subsystem last
}
