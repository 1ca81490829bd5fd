// SPDX-License-Identifier: MIT
#include <algorithm>
#include <cmath>
#include <string_view>

#include "kvq/demo/block_letters.h"
#include "kvq/demo/cell_hash.h"
#include "kvq/demo/rhythm.h"
#include "kvq/demo/scenes.h"

namespace {

constexpr std::string_view kTitle = "KVQPLAY";
constexpr std::string_view kSubtitle = "A TEXT-MODE DEMO  *  80 X 30 CELLS  *  24 FRAMES PER SECOND";
constexpr BlockLayout kTitleLayout{.scale_x = 2, .scale_y = 2, .gap = 1};
constexpr int kTitleTop = 4;
constexpr int kFirstDrop = 12;
constexpr int kDropStagger = 6;
constexpr int kDropFrames = 18;
constexpr int kSubtitleStart = 84;
constexpr int kStars = 90;

void drawStars(TextCanvas& canvas, int frame)
{
    for (int star = 0; star < kStars; ++star) {
        // Each star flies from far away towards the viewer and starts again, at its own phase.
        const double x = cellHashUnit(static_cast<std::uint32_t>(star), 1) * 2.0 - 1.0;
        const double y = cellHashUnit(static_cast<std::uint32_t>(star), 2) * 2.0 - 1.0;
        const double phase = cellHashUnit(static_cast<std::uint32_t>(star), 3);
        double depth = 1.0 - std::fmod(phase + frame * 0.006, 1.0);
        depth = 0.08 + depth * 0.92;
        const int column = static_cast<int>(std::floor(40.0 + x * 12.0 / depth));
        const int row = static_cast<int>(std::floor(15.0 + y * 6.0 / depth));
        const std::uint8_t code = depth > 0.6 ? plain('.') : depth > 0.3 ? plain('+') : plain('*');
        canvas.put(column, row, code);
    }
}

// How far above its resting place a letter is, in rows, `since` frames after it started to fall.
int dropOffset(int since)
{
    if (since >= kDropFrames) {
        // One small bounce after landing.
        const int after = since - kDropFrames;
        return after < 6 ? -static_cast<int>(std::round(std::sin(after * 3.14159265 / 6.0) * 1.4)) : 0;
    }
    const double left = 1.0 - static_cast<double>(since) / kDropFrames;
    return static_cast<int>(std::round(left * left * 24.0));
}

// Calls `visit(x, y)` for every cell of the falling title's letters.
template <typename Visit>
void forEachTitleCell(int frame, Visit visit)
{
    const int left = (TextCanvas::kWidth - kTitleLayout.width(kTitle)) / 2;
    for (std::size_t index = 0; index < kTitle.size(); ++index) {
        const int since = frame - kFirstDrop - static_cast<int>(index) * kDropStagger;
        if (since < 0) continue;
        const int letter_left = left + static_cast<int>(index) * kTitleLayout.pitch();
        forEachBlockCell(kTitle.substr(index, 1), letter_left, kTitleTop - dropOffset(since), kTitleLayout, visit);
    }
}

void drawTitle(TextCanvas& canvas, int frame)
{
    // Shadows first, so that no letter's shadow falls on another letter.
    forEachTitleCell(frame, [&](int x, int y) { canvas.put(x + 1, y + 1, plain(':')); });
    const int glint = (frame - 80) % kFramesPerBar * 3 - 20;  // a diagonal light passing each bar
    forEachTitleCell(frame, [&](int x, int y) {
        const int band = x + 2 * y - glint;
        canvas.put(x, y, frame > 80 && band >= 0 && band < 3 ? plain('/') : kSolid);
    });
}

void drawSubtitle(TextCanvas& canvas, int frame)
{
    const int typed = std::clamp(frame - kSubtitleStart, 0, static_cast<int>(kSubtitle.size()));
    if (frame < kSubtitleStart) return;
    const int left = (TextCanvas::kWidth - static_cast<int>(kSubtitle.size())) / 2;
    canvas.text(left, 22, kSubtitle.substr(0, static_cast<std::size_t>(typed)));
    if ((frame / 6) % 2 == 0) canvas.put(left + typed, 22, kSolid);

    if (frame >= 132) {
        canvas.centredText(25, " ESCAPE ENDS THE SHOW ", frame % kFramesPerBeat < 6 ? Ink::Inverse : Ink::Plain);
    }
}

}  // namespace

void drawTitleScene(TextCanvas& canvas, int frame)
{
    canvas.fill(plain(' '));
    drawStars(canvas, frame);
    drawTitle(canvas, frame);
    drawSubtitle(canvas, frame);
}
