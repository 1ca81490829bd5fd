// SPDX-License-Identifier: MIT
#include "kvq/play/terminal/sixel_encoder.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <charconv>
#include <cstdlib>
#include <vector>

namespace {

constexpr std::uint8_t shownLevel(int percent) { return static_cast<std::uint8_t>(percent * 65535 / 100 / 256); }

// std::abs is constexpr only from C++23; clang with libstdc++ refuses it here.
constexpr int distance(int a, int b) { return a > b ? a - b : b - a; }

constexpr std::array<std::uint8_t, 256> kPercentOfLevel = [] {
    std::array<std::uint8_t, 256> table{};
    for (int level = 0; level < 256; ++level) {
        int best = 0;
        for (int p = 1; p <= 100; ++p) {
            if (distance(shownLevel(p), level) < distance(shownLevel(best), level)) best = p;
        }
        table[static_cast<std::size_t>(level)] = static_cast<std::uint8_t>(best);
    }
    return table;
}();

void appendNumber(int value, std::string& out)
{
    char digits[12];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

// One character `count` times, as a repeat where that is shorter.
void appendRun(char sixel, int count, std::string& out)
{
    if (count > 3) {
        out.push_back('!');
        appendNumber(count, out);
        out.push_back(sixel);
    } else {
        out.append(static_cast<std::size_t>(count), sixel);
    }
}

}  // namespace

int sixelPercent(std::uint8_t level) { return kPercentOfLevel[level]; }

std::uint8_t sixelShownLevel(int percent) { return shownLevel(percent); }

void appendSixel(std::span<const std::uint16_t> indices, int width, int height, std::span<const std::uint32_t> palette,
                 std::string& out)
{
    assert(palette.size() <= static_cast<std::size_t>(kSixelRegisters) && !palette.empty());
    assert(indices.size() >= static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    // P2 = 0: what no colour sets is filled with register 0, inside the raster size.
    out += "\x1bP0;0;0q\"1;1;";
    appendNumber(width, out);
    out.push_back(';');
    appendNumber(height, out);
    for (std::size_t n = 0; n < palette.size(); ++n) {
        out.push_back('#');
        appendNumber(static_cast<int>(n), out);
        out += ";2";
        for (int shift = 16; shift >= 0; shift -= 8) {
            out.push_back(';');
            appendNumber(sixelPercent(static_cast<std::uint8_t>(palette[n] >> shift)), out);
        }
    }

    // Per band of six rows: each colour's six bits a column, and where the colour is in the band.
    const auto w = static_cast<std::size_t>(width);
    std::vector<std::uint8_t> bits(palette.size() * w, 0);
    std::vector<int> from(palette.size(), width), to(palette.size(), -1);
    std::vector<std::uint16_t> present;
    int bands_to_skip = 0;  // band ends not yet written: none is at the end of the image
    for (int band = 0; band * 6 < height; ++band) {
        present.clear();
        const int rows = std::min(6, height - band * 6);
        for (int k = 0; k < rows; ++k) {
            const std::uint16_t* row = &indices[static_cast<std::size_t>(band * 6 + k) * w];
            for (int x = 0; x < width; ++x) {
                const std::uint16_t colour = row[x];
                if (colour == 0) continue;
                if (to[colour] < 0) present.push_back(colour);
                from[colour] = std::min(from[colour], x);
                to[colour] = std::max(to[colour], x);
                bits[colour * w + static_cast<std::size_t>(x)] |= static_cast<std::uint8_t>(1u << k);
            }
        }
        if (band > 0) ++bands_to_skip;
        if (present.empty()) continue;
        out.append(static_cast<std::size_t>(bands_to_skip), '-');
        bands_to_skip = 0;
        for (std::size_t i = 0; i < present.size(); ++i) {
            const std::uint16_t colour = present[i];
            std::uint8_t* line = &bits[colour * w];
            if (i > 0) out.push_back('$');
            out.push_back('#');
            appendNumber(colour, out);
            // Columns before the colour's first are empty: one run; after its last, nothing.
            int x = 0;
            while (x <= to[colour]) {
                const std::uint8_t value = line[x];
                int run = 1;
                while (x + run <= to[colour] && line[x + run] == value) ++run;
                appendRun(static_cast<char>('?' + value), run, out);
                x += run;
            }
            std::fill(line + from[colour], line + to[colour] + 1, std::uint8_t{0});
            from[colour] = width;
            to[colour] = -1;
        }
    }
    out += "\x1b\\";
}
