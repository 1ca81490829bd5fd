// SPDX-License-Identifier: MIT
#include "platform/sdl_input_events.h"

#include <SDL.h>

#include "platform/scan_codes.h"

namespace {

InputEvent keyEvent(const SDL_KeyboardEvent& key)
{
    const SDL_Scancode code = key.keysym.scancode;
    const PcScanCode scan = pcScanCodeFor(code);
    InputEvent event;
    event.kind = key.type == SDL_KEYDOWN ? InputEvent::Kind::key_down : InputEvent::Kind::key_up;
    event.scan_code = scan.code;
    event.extended = scan.extended;
    event.system_key = (key.keysym.mod & KMOD_ALT) || code == SDL_SCANCODE_F10 || code == SDL_SCANCODE_LALT ||
                       code == SDL_SCANCODE_RALT;
    return event;
}

}  // namespace

bool SdlInputEvents::poll(InputEvent& event)
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return false;
    SDL_Event sdl_event;
    if (!SDL_PollEvent(&sdl_event)) return false;
    switch (sdl_event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        event = keyEvent(sdl_event.key);
        return true;
    case SDL_WINDOWEVENT:
        event = {};
        if (sdl_event.window.event == SDL_WINDOWEVENT_CLOSE) event.kind = InputEvent::Kind::close_request;
        return true;
    default:
        // SDL_QUIT follows a close request of the last window; the close request itself is what
        // the player sees and absorbs.
        event = {};
        return true;
    }
}
