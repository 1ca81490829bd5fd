// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "devices/terminal_link.h"
#include "kvq/play/overlay.h"
#include "scene/cell_font.h"
#include "scene/cell_picture.h"

enum class TextColours { direct, sixteen };

// Draws cell pictures with the terminal's own characters: each code as the character nearest its
// glyph in the font given, chosen once, ink and paper as colours; the status line on the terminal's
// last row. Each call sends only the cells that differ from what the terminal is known to show.
class TextPainter {
public:
    TextPainter(const CellFont& font, TextColours colours);
    // The terminal is this size now, and the picture this many cells: lays out, centred, and forgets
    // what was shown.
    void layOut(const TerminalSize& size, int picture_columns, int picture_rows);
    // The picture's cell rows that show at once.
    int viewRows() const;
    // What the layout could not do, in a line for the person watching (a picture wider than the
    // terminal is cut at both sides); or nothing.
    std::string notice() const;
    // The bytes that make the terminal show the picture's rows from `top_row`, and `overlay`.
    std::string paint(const CellPicture& picture, int top_row, bool blink_lit, const OverlayContent& overlay);
    // The terminal no longer shows what was sent: the next paint sends it all.
    void forget();
    // What undoes the painter's changes to the terminal (colours set), at the end.
    std::string farewell() const;
};
