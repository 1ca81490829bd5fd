// SPDX-License-Identifier: MIT
#include "kvq/play/overlay.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "render/colours.h"

namespace {

constexpr std::uint32_t kBand = 0x101010u;
constexpr std::uint32_t kText = kPaperColour;
constexpr std::uint32_t kFill = 0x6A5A40u;

void fill(std::span<std::uint32_t> screen, int width, const ScreenRect& rect, std::uint32_t colour)
{
    for (int y = std::max(0, rect.y); y < rect.bottom(); ++y) {
        const auto row = static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        std::fill(screen.begin() + static_cast<std::ptrdiff_t>(row) + std::max(0, rect.x),
                  screen.begin() + static_cast<std::ptrdiff_t>(row) + std::min(width, rect.x + rect.width), colour);
    }
}

// One row of text at (left, top), each glyph pixel a `scale` x `scale` block, clipped to `clip`.
void drawText(std::string_view text, const GlyphTable& font, int left, int top, int scale, const ScreenRect& clip,
              int width, std::span<std::uint32_t> screen)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const Glyph& glyph = font[static_cast<unsigned char>(text[i]) & 0x7F];
        const int glyph_left = left + static_cast<int>(i) * 8 * scale;
        if (glyph_left + 8 * scale > clip.x + clip.width) break;
        for (int y = 0; y < 16 * scale; ++y) {
            const int screen_y = top + y;
            if (screen_y < clip.y || screen_y >= clip.bottom()) continue;
            for (int x = 0; x < 8 * scale; ++x) {
                if (!isInk(glyph, x / scale, y / scale)) continue;
                screen[static_cast<std::size_t>(screen_y) * static_cast<std::size_t>(width) +
                       static_cast<std::size_t>(glyph_left + x)] = kText;
            }
        }
    }
}

// The keys' help in a box over the middle of the window.
void drawHelp(const std::vector<std::string>& lines, const GlyphTable& font, const ScreenLayout& layout,
              std::span<std::uint32_t> screen)
{
    std::size_t columns = 0;
    for (const std::string& line : lines) columns = std::max(columns, line.size());
    const int wide = static_cast<int>(columns) + 2;
    const int high = static_cast<int>(lines.size()) + 2;
    // As large as the status line's text, or smaller until it fits; cut at the window's edges.
    int scale = std::max(1, layout.bar.text_scale);
    while (scale > 1 && (wide * 8 * scale > layout.width || high * 16 * scale > layout.height)) --scale;
    const int width = std::min(layout.width, wide * 8 * scale);
    const int height = std::min(layout.height, high * 16 * scale);
    const ScreenRect box{(layout.width - width) / 2, (layout.height - height) / 2, width, height};
    fill(screen, layout.width, box, kBand);
    for (std::size_t row = 0; row < lines.size(); ++row) {
        drawText(lines[row], font, box.x + 8 * scale, box.y + (static_cast<int>(row) + 1) * 16 * scale, scale, box,
                 layout.width, screen);
    }
}

}  // namespace

void drawOverlay(const OverlayContent& content, const GlyphTable& font, const ScreenLayout& layout,
                 std::span<std::uint32_t> screen)
{
    const int width = layout.width;
    if (screen.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(layout.height)) return;
    if (!content.line.empty()) {
        const StatusPlace status = placeStatus(layout, content.line);
        fill(screen, width, status.area, kBand);
        const int scale = status.text_scale;
        for (std::size_t row = 0; row < status.rows.size(); ++row) {
            drawText(status.rows[row], font, status.area.x + 8 * scale,
                     status.area.y + static_cast<int>(row) * 16 * scale, scale, status.area, width, screen);
        }
    }
    if (!content.help.empty()) drawHelp(content.help, font, layout, screen);
    if (content.bar) {
        const OverlayPlace& bar = layout.bar;
        fill(screen, width, bar.area, kBand);
        ScreenRect filled = bar.area;
        filled.width = static_cast<int>(std::lround(std::clamp(content.fraction, 0.0, 1.0) * bar.area.width));
        fill(screen, width, filled, kFill);
        drawText(content.bar_text, font, bar.area.x + 8 * bar.text_scale, bar.area.y, bar.text_scale, bar.area, width,
                 screen);
    }
}

std::string clockText(double seconds)
{
    const auto tenths = static_cast<long long>(std::floor(std::max(0.0, seconds) * 10 + 1e-6));
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld.%lld", tenths / 600, tenths / 10 % 60, tenths % 10);
    return text;
}
