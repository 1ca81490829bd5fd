// SPDX-License-Identifier: MIT
#pragma once

// What a terminal said it can do, from its replies to the queries sent at the start.
struct TerminalCapabilities {
    bool answered = false;  // it replied at all (primary device attributes)
    bool sixel = false;
    bool kitty_graphics = false;
    bool direct_colour = false;                     // 24-bit colours in SGR
    int colour_registers = 0;                       // sixel's, where it said
    int cell_width = 0, cell_height = 0;            // pixels, 0 where unknown
    int max_sixel_width = 0, max_sixel_height = 0;  // 0 where it did not say
};
