// SPDX-License-Identifier: MIT
#include "display/window_messages.h"

void windowProc(const InputEvent& event, KeyStateTable& keys)
{
    switch (event.kind) {
    case InputEvent::Kind::key_down:
    case InputEvent::Kind::key_up:
        // Keys pressed with Alt belong to the window system: Escape with Alt held does not end
        // playback. The extended flag is not part of the index, so right Ctrl shares left Ctrl's
        // entry.
        if (!event.system_key) keys[event.scan_code] = event.kind == InputEvent::Kind::key_down ? 1 : 0;
        return;
    case InputEvent::Kind::close_request:
        // Absorbed: only Escape or the end of the frames stop the player.
        return;
    case InputEvent::Kind::other:
        return;
    }
}

void pumpMessages(InputEvents& input, KeyStateTable& keys)
{
    InputEvent event;
    while (input.poll(event)) windowProc(event, keys);
}
