// SPDX-License-Identifier: MIT
#include <algorithm>
#include <cmath>
#include <string_view>

#include "kvq/demo/block_letters.h"
#include "kvq/demo/rhythm.h"
#include "kvq/demo/scenes.h"
#include "kvq/demo/shading.h"

namespace {

constexpr std::string_view kCaption = "PLASMA";
constexpr int kCaptionFrom = 48;
constexpr int kCaptionUntil = 156;
constexpr double kPi = 3.14159265358979;

double plasma(double x, double y, double t)
{
    // y counts twice: cells are twice as tall as they are wide.
    const double yy = y * 2.0;
    const double cx = x - 40.0 - 18.0 * std::sin(t * 0.021);
    const double cy = yy - 30.0 - 12.0 * std::cos(t * 0.017);
    return std::sin(x * 0.11 + t * 0.07) + std::sin(yy * 0.09 - t * 0.05) + std::sin((x + yy) * 0.06 + t * 0.03) +
           std::sin(std::sqrt(cx * cx + cy * cy) * 0.16 - t * 0.11);
}

void drawCaption(TextCanvas& canvas, int frame)
{
    if (frame < kCaptionFrom || frame >= kCaptionUntil) return;
    constexpr BlockLayout layout{.scale_x = 2, .scale_y = 1, .gap = 2};
    // Letters arrive two per beat; the whole word leaves at once.
    const auto shown = static_cast<std::size_t>(
        std::min<int>(static_cast<int>(kCaption.size()), (frame - kCaptionFrom) / kFramesPerBeat * 2 + 2));
    const std::string_view text = kCaption.substr(0, shown);
    const int left = (TextCanvas::kWidth - layout.width(kCaption)) / 2;
    constexpr int top = 11;
    // A paper margin around every dot keeps the letters readable over the busy ground.
    forEachBlockCell(text, left, top, layout, [&](int x, int y) {
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -2; dx <= 2; ++dx) canvas.put(x + dx, y + dy, plain(' '));
        }
    });
    forEachBlockCell(text, left, top, layout, [&](int x, int y) { canvas.put(x, y, kSolid); });
}

}  // namespace

void drawPlasmaScene(TextCanvas& canvas, int frame)
{
    const double t = frame;
    // The bands move through the ramp over time and swell a little on every beat.
    const double swell = 0.12 * beatPulse(frame);
    for (int y = 0; y < TextCanvas::kHeight; ++y) {
        for (int x = 0; x < TextCanvas::kWidth; ++x) {
            const double value = plasma(x, y, t);
            const double level = 0.5 + 0.5 * std::sin(value * kPi * 0.5 + t * 0.04);
            canvas.put(x, y, shade(level * (1.0 + swell)));
        }
    }
    drawCaption(canvas, frame);
}
