// SPDX-License-Identifier: MIT
#include <SDL.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <deque>

#include "platform/scan_codes.h"
#include "platform/sdl_window.h"
#include "platform/window_system.h"

namespace {

constexpr std::uint8_t kF4ScanCode = 0x3E;

std::deque<WindowMessage>& postedMessages()
{
    static std::deque<WindowMessage> queue;
    return queue;
}

bool isInvisibleDriver(const char* driver)
{
    return driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
}

std::intptr_t keyLParam(const SDL_KeyboardEvent& key)
{
    const PcScanCode scan = pcScanCodeFor(key.keysym.scancode);
    std::uint32_t lparam = 1u | (static_cast<std::uint32_t>(scan.code) << kScanCodeShift);
    if (scan.extended) lparam |= kExtendedKeyBit;
    if (key.keysym.mod & KMOD_ALT) lparam |= kAltContextBit;
    if (key.type == SDL_KEYUP || key.repeat) lparam |= kPreviousStateBit;
    if (key.type == SDL_KEYUP) lparam |= kTransitionBit;
    return static_cast<std::intptr_t>(lparam);
}

std::uint32_t keyMessage(const SDL_KeyboardEvent& key)
{
    // Keys pressed while Alt is held, Alt itself and F10 are system keys.
    const SDL_Scancode code = key.keysym.scancode;
    const bool system = (key.keysym.mod & KMOD_ALT) || code == SDL_SCANCODE_F10 || code == SDL_SCANCODE_LALT ||
                        code == SDL_SCANCODE_RALT;
    if (key.type == SDL_KEYDOWN) return system ? WM_SYSKEYDOWN : WM_KEYDOWN;
    return system ? WM_SYSKEYUP : WM_KEYUP;
}

WindowHandle handleOf(Uint32 window_id)
{
    SDL_Window* window = SDL_GetWindowFromID(window_id);
    return window ? static_cast<WindowHandle>(SDL_GetWindowData(window, PlatformWindow::kDataName)) : nullptr;
}

bool translate(const SDL_Event& event, WindowMessage& message)
{
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        message = {handleOf(event.key.windowID), keyMessage(event.key), 0, keyLParam(event.key)};
        return true;
    case SDL_MOUSEMOTION:
        message = {handleOf(event.motion.windowID), WM_MOUSEMOVE, 0,
                   static_cast<std::intptr_t>((event.motion.x & 0xFFFF) | ((event.motion.y & 0xFFFF) << 16))};
        return true;
    case SDL_WINDOWEVENT:
        if (event.window.event != SDL_WINDOWEVENT_CLOSE) return false;
        message = {handleOf(event.window.windowID), WM_CLOSE, 0, 0};
        return true;
    default:
        // SDL_QUIT follows a close request of the last window; the close request itself is
        // what the window procedure sees and absorbs.
        return false;
    }
}

// SDL tries one video driver after another, and the client libraries of those that fail print
// their complaints (Wayland's missing runtime folder, Xlib's refused connection) on standard
// error. The player reports the outcome itself, in one line, so their words are held back; the
// process has no other thread yet that could miss its standard error meanwhile.
int initVideoQuietly()
{
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved >= 0 && null >= 0) dup2(null, STDERR_FILENO);
    if (null >= 0) close(null);
    const int result = SDL_InitSubSystem(SDL_INIT_VIDEO);
    std::fflush(stderr);
    if (saved >= 0) {
        dup2(saved, STDERR_FILENO);
        close(saved);
    }
    return result;
}

}  // namespace

void WindowDeleter::operator()(PlatformWindow* window) const { delete window; }

PlatformWindow::~PlatformWindow()
{
    if (window) SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool initWindowSystem()
{
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    return true;
}

WindowOwner createPopupWindow(const char* title, int x, int y, int width, int height)
{
    if (initVideoQuietly() != 0) return nullptr;
    WindowOwner owner(new PlatformWindow);  // from here on its destructor gives the subsystem back
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* requested = SDL_getenv("SDL_VIDEODRIVER");
    if (isInvisibleDriver(driver) && (!requested || !*requested)) {
        SDL_SetError("no display to show the animation on (SDL fell back to its '%s' driver; "
                     "set SDL_VIDEODRIVER to choose one)", driver);
        return nullptr;
    }
    owner->window = SDL_CreateWindow(title, x, y, width, height, SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN);
    if (!owner->window) {
        return nullptr;
    }
    SDL_SetWindowData(owner->window, PlatformWindow::kDataName, owner.get());
    return owner;
}

void showWindow(WindowHandle window)
{
    if (window) SDL_ShowWindow(window->window);
}

void hideCursor() { SDL_ShowCursor(SDL_DISABLE); }

void minimiseWindow(WindowHandle window)
{
    if (window) SDL_MinimizeWindow(window->window);
}

bool peekMessage(WindowMessage& message)
{
    auto& posted = postedMessages();
    if (!posted.empty()) {
        message = posted.front();
        posted.pop_front();
        return true;
    }
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (translate(event, message)) return true;
    }
    return false;
}

void postMessage(const WindowMessage& message) { postedMessages().push_back(message); }

std::intptr_t defWindowProc(WindowHandle window, std::uint32_t message, std::uintptr_t, std::intptr_t lParam)
{
    const auto bits = static_cast<std::uint32_t>(lParam);
    const auto scan_code = static_cast<std::uint8_t>(bits >> kScanCodeShift);
    if (message == WM_SYSKEYDOWN && scan_code == kF4ScanCode && (bits & kAltContextBit)) {
        postMessage({window, WM_CLOSE, 0, 0});
    }
    return 0;
}

std::string platformError() { return SDL_GetError(); }
