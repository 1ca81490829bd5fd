// SPDX-License-Identifier: MIT
#include "kvq/play/picture_scaler.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr std::uint32_t kWhole = 256;

// The weighted sum of pixels, red and blue together and green apart, so that no channel
// carries into another: each channel's sum stays below 256 * 256.
struct Sum {
    std::uint32_t red_blue = 0;
    std::uint32_t green = 0;
    void add(std::uint32_t pixel, std::uint32_t weight)
    {
        red_blue += (pixel & 0xFF00FFu) * weight;
        green += (pixel & 0x00FF00u) * weight;
    }
    std::uint32_t pixel() const
    {
        return (((red_blue + 0x800080u) >> 8) & 0xFF00FFu) | (((green + 0x8000u) >> 8) & 0x00FF00u);
    }
};

}  // namespace

PictureScaler::Taps PictureScaler::tapsFor(int from, int to)
{
    Taps taps;
    taps.first.reserve(static_cast<std::size_t>(to) + 1);
    // Screen pixel i covers the picture from i * from / to to (i + 1) * from / to; in units of
    // 1 / to of a picture pixel those ends are whole numbers, and so are the overlaps.
    for (int i = 0; i < to; ++i) {
        taps.first.push_back(static_cast<int>(taps.source.size()));
        const long long begin = static_cast<long long>(i) * from;
        const long long end = begin + from;
        std::uint32_t given = 0;
        std::size_t largest = taps.source.size();
        for (long long p = begin / to; p * to < end; ++p) {
            const long long overlap = std::min(end, (p + 1) * to) - std::max(begin, p * to);
            const auto weight = static_cast<std::uint32_t>((overlap * kWhole * 2 + from) / (2 * from));
            if (weight == 0) continue;
            if (taps.source.size() == largest || weight > taps.weight[largest]) largest = taps.source.size();
            taps.source.push_back(static_cast<int>(p));
            taps.weight.push_back(weight);
            given += weight;
        }
        // Rounding may leave the weights a 256th or so off their whole; the largest takes it up.
        taps.weight[largest] += kWhole - given;
    }
    taps.first.push_back(static_cast<int>(taps.source.size()));
    return taps;
}

void PictureScaler::configure(int from_width, int from_height, int to_width, int to_height)
{
    from_width = std::max(1, from_width);
    from_height = std::max(1, from_height);
    to_width = std::max(1, to_width);
    to_height = std::max(1, to_height);
    if (from_width == from_width_ && from_height == from_height_ && to_width == to_width_ && to_height == to_height_)
        return;
    from_width_ = from_width;
    from_height_ = from_height;
    to_width_ = to_width;
    to_height_ = to_height;
    across_ = tapsFor(from_width, to_width);
    down_ = tapsFor(from_height, to_height);
    rows_.assign(static_cast<std::size_t>(from_height) * static_cast<std::size_t>(to_width), 0);
}

void PictureScaler::scale(std::span<const std::uint32_t> from, std::span<std::uint32_t> to)
{
    const auto width = static_cast<std::size_t>(to_width_);
    if (from.size() < static_cast<std::size_t>(from_width_) * static_cast<std::size_t>(from_height_) ||
        to.size() < width * static_cast<std::size_t>(to_height_)) {
        return;
    }
    for (int y = 0; y < from_height_; ++y) {
        const std::uint32_t* in = from.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(from_width_);
        std::uint32_t* out = rows_.data() + static_cast<std::size_t>(y) * width;
        for (std::size_t x = 0; x < width; ++x) {
            const int first = across_.first[x];
            const int last = across_.first[x + 1];
            if (last - first == 1) {
                out[x] = in[across_.source[static_cast<std::size_t>(first)]];
                continue;
            }
            Sum sum;
            for (int t = first; t < last; ++t)
                sum.add(in[across_.source[static_cast<std::size_t>(t)]], across_.weight[static_cast<std::size_t>(t)]);
            out[x] = sum.pixel();
        }
    }
    for (int y = 0; y < to_height_; ++y) {
        std::uint32_t* out = to.data() + static_cast<std::size_t>(y) * width;
        const int first = down_.first[static_cast<std::size_t>(y)];
        const int last = down_.first[static_cast<std::size_t>(y) + 1];
        if (last - first == 1) {
            const std::uint32_t* row =
                rows_.data() + static_cast<std::size_t>(down_.source[static_cast<std::size_t>(first)]) * width;
            std::copy(row, row + width, out);
            continue;
        }
        for (std::size_t x = 0; x < width; ++x) {
            Sum sum;
            for (int t = first; t < last; ++t) {
                const auto source_row = static_cast<std::size_t>(down_.source[static_cast<std::size_t>(t)]);
                sum.add(rows_[source_row * width + x], down_.weight[static_cast<std::size_t>(t)]);
            }
            out[x] = sum.pixel();
        }
    }
}
