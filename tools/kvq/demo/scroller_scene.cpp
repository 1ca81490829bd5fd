// SPDX-License-Identifier: MIT
#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

#include "kvq/demo/block_letters.h"
#include "kvq/demo/cell_hash.h"
#include "kvq/demo/rhythm.h"
#include "kvq/demo/scenes.h"
#include "kvq/demo/shading.h"

namespace {

constexpr std::string_view kBigMessage = "      HELLO FROM KVQPLAY * BYE *   ";
constexpr std::string_view kSmallMessage =
    "                              THANKS FOR WATCHING ... EVERY CELL HERE IS ONE BYTE: PRINTABLE ASCII BELOW 128, "
    "INVERSE VIDEO ABOVE IT ... MADE BY KVQ DEMO, DRAWN BY THE PLAYER'S OWN RASTERISER ...   ";
constexpr int kBigScaleX = 2;
constexpr int kBigTop = 9;
constexpr int kEndFrom = 148;
constexpr int kEndFrames = 28;

void drawCopperBars(TextCanvas& canvas, int frame)
{
    constexpr int kBars = 3;
    for (int y = 0; y < TextCanvas::kHeight; ++y) {
        double light = 0.0;
        for (int bar = 0; bar < kBars; ++bar) {
            const double centre = 14.5 + 11.0 * std::sin(frame * 0.06 + bar * 2.1);
            light = std::max(light, 1.0 - std::abs(y - centre) / 3.0);
        }
        canvas.fillRow(y, shade(light * 0.9));
    }
}

void drawBigScroller(TextCanvas& canvas, int frame)
{
    const int letter_columns = BlockLayout{.scale_x = kBigScaleX, .scale_y = 1, .gap = kBigScaleX}.pitch();
    const int scrolled = frame * 2;
    // Dots first with a paper margin, so the letters stand apart from the bars behind them.
    for (int pass = 0; pass < 2; ++pass) {
        for (int x = 0; x < TextCanvas::kWidth; ++x) {
            const int column = x + scrolled;
            const char letter = kBigMessage[static_cast<std::size_t>(column / letter_columns) % kBigMessage.size()];
            const int dot_x = column % letter_columns / kBigScaleX;
            const int wave = static_cast<int>(std::lround(5.0 * std::sin(x * 0.035 + frame * 0.09)));
            for (int dot_y = 0; dot_y < kBlockLetterRows; ++dot_y) {
                if (!blockLetterDot(letter, dot_x, dot_y)) continue;
                const int y = kBigTop + wave + dot_y;
                if (pass == 0) {
                    canvas.put(x, y - 1, plain(' '));
                    canvas.put(x, y + 1, plain(' '));
                } else {
                    canvas.put(x, y, kSolid);
                }
            }
        }
    }
}

void drawSmallScroller(TextCanvas& canvas, int frame)
{
    const std::size_t start = static_cast<std::size_t>(frame) % kSmallMessage.size();
    canvas.fillRow(28, kSolid);
    for (int x = 0; x < TextCanvas::kWidth; ++x) {
        canvas.put(x, 28, inverse(kSmallMessage[(start + static_cast<std::size_t>(x)) % kSmallMessage.size()]));
    }
}

void drawEndCard(TextCanvas& canvas)
{
    canvas.fill(plain(' '));
    constexpr std::string_view kEnd = "THE END";
    constexpr BlockLayout layout{.scale_x = 2, .scale_y = 1, .gap = 1};
    forEachBlockCell(kEnd, (TextCanvas::kWidth - layout.width(kEnd)) / 2, 10, layout,
                     [&](int x, int y) { canvas.put(x, y, kSolid); });
    canvas.centredText(20, "KVQPLAY");
}

}  // namespace

void drawScrollerScene(TextCanvas& canvas, int frame)
{
    drawCopperBars(canvas, frame);
    drawBigScroller(canvas, frame);
    drawSmallScroller(canvas, frame);
    if (frame < kEndFrom) return;

    // The show dissolves cell by cell into the end card, in an order fixed by the cell hash.
    TextFrame end_frame;
    TextCanvas end(end_frame);
    drawEndCard(end);
    const double done = std::min(1.0, static_cast<double>(frame - kEndFrom) / kEndFrames);
    for (int y = 0; y < TextCanvas::kHeight; ++y) {
        for (int x = 0; x < TextCanvas::kWidth; ++x) {
            if (cellHashUnit(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y)) < done)
                canvas.put(x, y, end.at(x, y));
        }
    }
}
