// SPDX-License-Identifier: MIT
#include "kvq/encode/tone_levels.h"

#include <algorithm>

#include "kvq/encode/luminance.h"
#include "render/colours.h"

namespace {

ToneLevels levelsBetween(int black, int white)
{
    ToneLevels levels;
    levels.black = black;
    levels.white = white;
    const double ink = luminanceOf(kInkColour);
    const double paper = luminanceOf(kPaperColour);
    for (int level = 0; level < 256; ++level) {
        const double where = std::clamp(static_cast<double>(level - black) / (white - black), 0.0, 1.0);
        levels.target[static_cast<std::size_t>(level)] = static_cast<float>(ink + (paper - ink) * where);
    }
    return levels;
}

// Narrower than this and a picture is taken to have no range worth stretching.
constexpr int kNarrowestRange = 32;

}  // namespace

ToneLevels fullLevels() { return levelsBetween(0, 255); }

ToneLevels stretchedLevels(std::span<const std::vector<std::uint8_t>> pictures, double clipped)
{
    std::array<std::uint64_t, 256> histogram{};
    std::uint64_t count = 0;
    for (const auto& picture : pictures) {
        for (std::uint8_t level : picture) ++histogram[level];
        count += picture.size();
    }
    if (count == 0) return fullLevels();
    const auto clip = static_cast<std::uint64_t>(static_cast<double>(count) * clipped);
    int black = 0;
    for (std::uint64_t below = histogram[0]; below <= clip && black < 255;)
        below += histogram[static_cast<std::size_t>(++black)];
    int white = 255;
    for (std::uint64_t above = histogram[255]; above <= clip && white > 0;)
        above += histogram[static_cast<std::size_t>(--white)];
    if (white - black < kNarrowestRange) return fullLevels();
    return levelsBetween(black, white);
}
