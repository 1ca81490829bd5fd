// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// The PC keyboard's set-1 scan code for an SDL scancode, 0 for a key the table does not know.
// Extended keys (right Ctrl, the arrows, keypad Enter, ...) give the code of the base key they
// share it with; `extended` tells them apart.
struct PcScanCode {
    std::uint8_t code = 0;
    bool extended = false;
};

PcScanCode pcScanCodeFor(int sdl_scancode);
