// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// What a person did to the window, in the terms the player understands.
struct InputEvent {
    enum class Kind {
        key_down,  // also sent again while a key is held
        key_up,
        close_request,  // the window's close button, the window manager, Alt+F4
        other,          // mouse, focus, exposure: nothing the player acts on
    };
    Kind kind = Kind::other;
    // The key's PC keyboard (set 1) scan code, 0 for a key without one; extended keys (right
    // Ctrl, the arrows, ...) share their base key's code.
    std::uint8_t scan_code = 0;
    bool extended = false;
    // A key pressed with Alt held, Alt itself or F10: the keys a window system keeps for itself.
    bool system_key = false;
};

// The device edge of input: the events that reached the window, oldest first.
class InputEvents {
public:
    virtual ~InputEvents() = default;
    // Takes the next pending event without waiting; false when none is pending.
    virtual bool poll(InputEvent& event) = 0;
};
