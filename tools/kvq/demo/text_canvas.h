// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string_view>

#include "content/text_frame.h"

// Codes 0-127 are drawn from the font and 128-255 as their inverses. The demo keeps to printable
// ASCII below 128, so that any console font converted by `kvq font` shows it as intended.
inline constexpr std::uint8_t plain(char letter) { return static_cast<std::uint8_t>(letter); }
inline constexpr std::uint8_t inverse(char letter) { return static_cast<std::uint8_t>(plain(letter) | 0x80); }
inline constexpr std::uint8_t kSolid = inverse(' ');

enum class Ink { Plain, Inverse };

// Drawing on one frame in cell coordinates: x is the column (0-79), y the row (0-29). Whatever
// falls outside the frame is dropped, so scenes can move things across the edges freely.
class TextCanvas {
public:
    static constexpr int kWidth = TextFrame::kColumns;
    static constexpr int kHeight = TextFrame::kRows;

    explicit TextCanvas(TextFrame& frame) : frame_(frame) {}

    void fill(std::uint8_t code) { frame_.cells.fill(code); }
    void put(int x, int y, std::uint8_t code);
    std::uint8_t at(int x, int y) const;  // a space outside the frame
    void text(int x, int y, std::string_view text, Ink ink = Ink::Plain);
    void centredText(int y, std::string_view text, Ink ink = Ink::Plain);
    void fillRow(int y, std::uint8_t code);

    // A straight line in cell coordinates (fractions allowed) drawn with the ASCII stroke closest
    // to its slope on screen, where a cell is twice as tall as it is wide.
    void line(double x0, double y0, double x1, double y1);
    // The same line in one code.
    void line(double x0, double y0, double x1, double y1, std::uint8_t code);

private:
    TextFrame& frame_;
};
