// SPDX-License-Identifier: MIT
#include "kvq/play/overlay.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "render/colours.h"

namespace {

constexpr int kWidth = 640;
constexpr std::uint32_t kBand = 0xC0000000u | 0x101010u;
constexpr std::uint32_t kText = 0xFF000000u | kPaperColour;
constexpr std::uint32_t kFill = 0xC0000000u | 0x6A5A40u;

void fillBand(std::span<std::uint32_t> pixels, int top, int left, int right, std::uint32_t colour)
{
    for (int y = top; y < top + kOverlayBand; ++y) {
        std::fill(pixels.begin() + y * kWidth + left, pixels.begin() + y * kWidth + right, colour);
    }
}

void drawText(std::string_view text, const GlyphTable& font, int top, int left, std::span<std::uint32_t> pixels)
{
    for (std::size_t i = 0; i < text.size() && left + 8 * static_cast<int>(i) + 8 <= kWidth; ++i) {
        const Glyph& glyph = font[static_cast<unsigned char>(text[i]) & 0x7F];
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 8; ++x) {
                if (isInk(glyph, x, y)) {
                    pixels[static_cast<std::size_t>((top + y) * kWidth + left + 8 * static_cast<int>(i) + x)] = kText;
                }
            }
        }
    }
}

}  // namespace

void drawOverlay(const OverlayContent& content, const GlyphTable& font, std::span<std::uint32_t> pixels)
{
    std::fill(pixels.begin(), pixels.end(), 0u);
    if (!content.line.empty()) {
        fillBand(pixels, 0, 0, kWidth, kBand);
        drawText(content.line, font, 0, 8, pixels);
    }
    if (content.bar) {
        fillBand(pixels, kSeekBarTop, 0, kWidth, kBand);
        const int filled = static_cast<int>(std::lround(std::clamp(content.fraction, 0.0, 1.0) * kWidth));
        fillBand(pixels, kSeekBarTop, 0, filled, kFill);
        drawText(content.bar_text, font, kSeekBarTop, 8, pixels);
    }
}

std::string clockText(double seconds)
{
    const auto tenths = static_cast<long long>(std::floor(std::max(0.0, seconds) * 10 + 1e-6));
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld.%lld", tenths / 600, tenths / 10 % 60, tenths % 10);
    return text;
}
