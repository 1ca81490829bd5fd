// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "devices/terminal_link.h"
#include "kvq/play/overlay.h"
#include "kvq/play/terminal/glyph_characters.h"
#include "scene/cell_font.h"
#include "scene/cell_picture.h"

enum class TextColours { direct, sixteen };

// Draws cell pictures with the terminal's own characters: each code as the character nearest its
// glyph in the font given, chosen once, ink and paper as colours; the status line on the terminal's
// last row. Each call sends only the cells that differ from what the terminal is known to show.
//
// Between paints the terminal is taken to keep the colours the painter set last: whatever else writes
// to it and changes them calls forget(). Each paint places the cursor itself before its first cell.
class TextPainter {
public:
    TextPainter(const CellFont& font, TextColours colours);
    // With the characters for the font's codes already chosen (glyphCharacters()).
    TextPainter(std::vector<GlyphCharacter> characters, TextColours colours);
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

private:
    // What a terminal cell shows: a character in two colours. A colour is 0x00RRGGBB, or with sixteen
    // colours an index 0-15; kDefault is the terminal's own, kAny where the colour does not show
    // (the ink of a space). Kept in one form of each pair of characters that are each other's inverse
    // (a space in paper X for a full block in ink X), so that equal looks compare equal.
    struct Look {
        char32_t character = U' ';
        int ink = kAny;
        int paper = kDefault;
        bool operator==(const Look&) const = default;
    };
    static constexpr int kDefault = -1;
    static constexpr int kAny = -2;
    static Look look(char32_t character, int ink, int paper);

    struct Attributes {
        int ink = kDefault, paper = kDefault;
        bool reverse = false;
    };

    int colourOf(const CellPicture& picture, int index) const;
    int colourOfRgb(std::uint32_t rgb) const;
    void want(const CellPicture& picture, int top_row, bool blink_lit, const OverlayContent& overlay);
    void wantText(int row, int column, int end_column, const std::string& text, int ink);
    void wantOverlay(const OverlayContent& overlay);
    std::string colourParameter(int colour, bool paper) const;
    int parameterLength(int colour, bool paper) const;
    // The cheapest way to show `wanted` with the attributes as they are: its bytes, the attributes after.
    std::string cellBytes(const Look& wanted, Attributes& attributes) const;
    int writeThroughCost(int row, int from, int to) const;
    std::string cursorMove(int row, int column) const;

    std::vector<GlyphCharacter> characters_;
    TextColours colours_;
    TerminalSize size_;
    int picture_columns_ = 0, picture_rows_ = 0;
    int view_rows_ = 0, view_columns_ = 0;
    int first_column_ = 0;    // the picture's first column that shows
    int left_ = 0, top_ = 0;  // the terminal cell of the view's first cell
    std::vector<Look> wanted_, shown_;
    bool cleared_ = false;  // the terminal has been cleared since the last forget()
    Attributes attributes_;
    int cursor_row_ = -1, cursor_column_ = -1;
    bool cursor_pending_ = false;  // past the last column, where only CR and CUP move it surely
};
