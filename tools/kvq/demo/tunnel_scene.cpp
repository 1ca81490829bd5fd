// SPDX-License-Identifier: MIT
#include <algorithm>
#include <cmath>

#include "kvq/demo/rhythm.h"
#include "kvq/demo/scenes.h"
#include "kvq/demo/shading.h"

namespace {

constexpr double kPi = 3.14159265358979;
constexpr int kTilesAround = 16;

}  // namespace

void drawTunnelScene(TextCanvas& canvas, int frame)
{
    const double t = frame;
    // The far end wanders, so the walls seem to bend as the camera flies in.
    const double centre_x = 40.0 + 16.0 * std::sin(t * 0.029);
    const double centre_y = 15.0 + 5.0 * std::sin(t * 0.043 + 1.0);
    const double twist = t * 0.012 + 0.4 * std::sin(t * 0.02);
    // On every downbeat a ring rushes out of the depth past the viewer.
    const int since_bar = frame % kFramesPerBar;
    const double ring_radius = since_bar < 24 ? 1.0 + since_bar * since_bar * 0.09 : -10.0;
    for (int y = 0; y < TextCanvas::kHeight; ++y) {
        for (int x = 0; x < TextCanvas::kWidth; ++x) {
            const double dx = x + 0.5 - centre_x;
            const double dy = (y + 0.5 - centre_y) * 2.0;
            const double radius = std::sqrt(dx * dx + dy * dy) + 0.01;
            const double around = (std::atan2(dy, dx) / (2.0 * kPi) + 0.5) * kTilesAround + twist * kTilesAround;
            const double along = 14.0 / radius + t * 0.08;
            // Soft tiles rather than a hard checkerboard, so the whole ramp shows on the walls.
            const double tile = std::sin(around * kPi) * std::sin(along * kPi);
            // Far away is towards the centre, lost in light; near walls are at full contrast.
            const double near = std::clamp((radius - 3.0) / 24.0, 0.0, 1.0);
            const double level = (0.5 + 0.5 * tile) * near;
            canvas.put(x, y, std::abs(radius - ring_radius) < 1.2 ? plain('O') : shade(level));
        }
    }
    canvas.centredText(28, " INTO THE TUNNEL ", (frame / kFramesPerBeat) % 2 == 0 ? Ink::Inverse : Ink::Plain);
}
