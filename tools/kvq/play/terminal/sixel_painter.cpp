// SPDX-License-Identifier: MIT
// Pixels as sixel images, one for each changed rectangle of cells, placed with the cursor.
#include <algorithm>
#include <unordered_map>
#include <vector>

#include "kvq/play/terminal/cell_tiles.h"
#include "kvq/play/terminal/pixel_painter.h"
#include "kvq/play/terminal/sixel_encoder.h"

namespace {

// The colours of one rectangle as sixel registers. Colours that the terminal would show alike share
// one, the commonest is register 0 (the background, which costs nothing), and past the registers
// there are, a colour takes the nearest one kept.
class RectPalette {
public:
    void build(std::span<const std::uint32_t> pixels, int width, const TerminalPixels& area, int scale)
    {
        slots_.clear();
        colours_.clear();
        counts_.clear();
        const int x0 = area.x / scale, x1 = (area.x + area.width - 1) / scale;
        const int y0 = area.y / scale, y1 = (area.y + area.height - 1) / scale;
        std::uint32_t last = pixels[static_cast<std::size_t>(y0) * static_cast<std::size_t>(width) + x0];
        std::size_t last_slot = slotOf(last);
        for (int y = y0; y <= y1; ++y) {
            const std::uint32_t* row = &pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width)];
            for (int x = x0; x <= x1; ++x) {
                if (row[x] != last) {
                    last = row[x];
                    last_slot = slotOf(last);
                }
                ++counts_[last_slot];
            }
        }
        // Registers in order of use, so that the commonest is 0 and the rarest are the ones merged.
        std::vector<std::size_t> order(colours_.size());
        for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return counts_[a] > counts_[b]; });
        const std::size_t kept = std::min(order.size(), static_cast<std::size_t>(kSixelRegisters));
        register_of_slot_.assign(colours_.size(), 0);
        palette_.clear();
        for (std::size_t i = 0; i < kept; ++i) {
            register_of_slot_[order[i]] = static_cast<std::uint16_t>(i);
            palette_.push_back(colours_[order[i]]);
        }
        for (std::size_t i = kept; i < order.size(); ++i) register_of_slot_[order[i]] = nearest(colours_[order[i]]);
    }

    std::uint16_t registerOf(std::uint32_t colour) const { return register_of_slot_[slots_.at(key(colour))]; }
    std::span<const std::uint32_t> palette() const { return palette_; }

private:
    // A colour as the terminal shows it: its three percentages.
    static std::uint32_t key(std::uint32_t colour)
    {
        return static_cast<std::uint32_t>(sixelPercent(static_cast<std::uint8_t>(colour >> 16)) << 16 |
                                          sixelPercent(static_cast<std::uint8_t>(colour >> 8)) << 8 |
                                          sixelPercent(static_cast<std::uint8_t>(colour)));
    }

    std::size_t slotOf(std::uint32_t colour)
    {
        const auto [at, added] = slots_.try_emplace(key(colour), colours_.size());
        if (added) {
            colours_.push_back(colour);
            counts_.push_back(0);
        }
        return at->second;
    }

    std::uint16_t nearest(std::uint32_t colour) const
    {
        auto distance = [colour](std::uint32_t other) {
            int sum = 0;
            for (int shift = 0; shift <= 16; shift += 8) {
                const int d = static_cast<int>((colour >> shift) & 0xFF) - static_cast<int>((other >> shift) & 0xFF);
                sum += d * d;
            }
            return sum;
        };
        std::size_t best = 0;
        for (std::size_t i = 1; i < palette_.size(); ++i) {
            if (distance(palette_[i]) < distance(palette_[best])) best = i;
        }
        return static_cast<std::uint16_t>(best);
    }

    std::unordered_map<std::uint32_t, std::size_t> slots_;  // shown colour -> slot
    std::vector<std::uint32_t> colours_;                    // per slot: the first colour seen
    std::vector<std::size_t> counts_;                       // per slot: picture pixels
    std::vector<std::uint16_t> register_of_slot_;
    std::vector<std::uint32_t> palette_;  // per register
};

class SixelPainter final : public PixelPainter {
public:
    std::string paint(std::span<const std::uint32_t> pixels, int width, int height, int scale,
                      const PixelPlacement& where) override
    {
        const ShownPicture::Changes changes = shown_.show(pixels, width, height, scale, where);
        std::string out;
        if (changes.cells.empty()) return out;
        out += "\0337";  // the cursor saved
        for (const CellRect& cells : changes.cells) {
            const TerminalPixels area = picturePixels(cells, changes.geometry);
            palette_.build(pixels, width, area, scale);
            fillIndices(pixels, width, area, scale);
            appendCursorTo(where, cells, out);
            appendSixel(indices_, area.width, area.height, palette_.palette(), out);
        }
        out += "\0338";  // and put back, from the last image's last row where a sixel leaves it
        return out;
    }

    void forget() override { shown_.forget(); }

private:
    void fillIndices(std::span<const std::uint32_t> pixels, int width, const TerminalPixels& area, int scale)
    {
        indices_.resize(static_cast<std::size_t>(area.width) * static_cast<std::size_t>(area.height));
        std::uint16_t* out = indices_.data();
        for (int y = 0; y < area.height; ++y) {
            const std::uint32_t* row =
                &pixels[static_cast<std::size_t>((area.y + y) / scale) * static_cast<std::size_t>(width)];
            std::uint32_t last = row[area.x / scale] ^ 1;
            std::uint16_t last_register = 0;
            for (int x = 0; x < area.width; ++x) {
                const std::uint32_t colour = row[(area.x + x) / scale];
                if (colour != last) {
                    last = colour;
                    last_register = palette_.registerOf(colour);
                }
                *out++ = last_register;
            }
        }
    }

    ShownPicture shown_;
    RectPalette palette_;
    std::vector<std::uint16_t> indices_;
};

}  // namespace

std::unique_ptr<PixelPainter> makeSixelPainter() { return std::make_unique<SixelPainter>(); }
