// SPDX-License-Identifier: MIT
#include "kvq/demo/text_canvas.h"

#include <algorithm>
#include <cmath>

namespace {

// A stroke is drawn as one of - | / \ unless it runs within this factor of an axis.
constexpr double kAxisSlope = 0.45;

std::uint8_t strokeFor(double dx, double dy)
{
    const double across = dx;
    const double down = dy * 2.0;  // in pixels a row is as tall as two columns are wide
    if (std::abs(down) < kAxisSlope * std::abs(across)) return plain('-');
    if (std::abs(across) < kAxisSlope * std::abs(down)) return plain('|');
    return (across > 0) == (down > 0) ? plain('\\') : plain('/');
}

}  // namespace

void TextCanvas::put(int x, int y, std::uint8_t code)
{
    if (x < 0 || y < 0 || x >= kWidth || y >= kHeight) return;
    frame_.cells[static_cast<std::size_t>(y * kWidth + x)] = code;
}

std::uint8_t TextCanvas::at(int x, int y) const
{
    if (x < 0 || y < 0 || x >= kWidth || y >= kHeight) return plain(' ');
    return frame_.at(y, x);
}

void TextCanvas::text(int x, int y, std::string_view text, Ink ink)
{
    for (const char letter : text) {
        put(x++, y, ink == Ink::Inverse ? inverse(letter) : plain(letter));
    }
}

void TextCanvas::centredText(int y, std::string_view text, Ink ink)
{
    this->text((kWidth - static_cast<int>(text.size())) / 2, y, text, ink);
}

void TextCanvas::fillRow(int y, std::uint8_t code)
{
    for (int x = 0; x < kWidth; ++x) put(x, y, code);
}

void TextCanvas::line(double x0, double y0, double x1, double y1) { line(x0, y0, x1, y1, strokeFor(x1 - x0, y1 - y0)); }

void TextCanvas::line(double x0, double y0, double x1, double y1, std::uint8_t code)
{
    // Half-cell steps along the longer axis visit every cell the line crosses at least once.
    const int steps = std::max(1, static_cast<int>(std::ceil(std::max(std::abs(x1 - x0), std::abs(y1 - y0)) * 2.0)));
    for (int step = 0; step <= steps; ++step) {
        const double along = static_cast<double>(step) / steps;
        put(static_cast<int>(std::floor(x0 + (x1 - x0) * along)), static_cast<int>(std::floor(y0 + (y1 - y0) * along)),
            code);
    }
}
