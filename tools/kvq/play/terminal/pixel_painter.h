// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

// Where pixels go on a terminal: the cell their top left corner is at (from 0), and a cell's size
// in the terminal's pixels.
struct PixelPlacement {
    int column = 0, row = 0;
    int cell_width = 8, cell_height = 16;
    bool operator==(const PixelPlacement&) const = default;
};

// Turns pictures into a terminal's pixel graphics, sending only the cells that differ from what it
// sent before. Each picture given is taken to be on the screen once its bytes are written.
class PixelPainter {
public:
    virtual ~PixelPainter() = default;
    // The bytes that make the terminal show `pixels` (`width` x `height`, 0x00RRGGBB, row after row,
    // each a `scale` x `scale` block) at `where`; the cursor is left where it was before them.
    virtual std::string paint(std::span<const std::uint32_t> pixels, int width, int height, int scale,
                              const PixelPlacement& where) = 0;
    // The terminal no longer shows what was sent (cleared, resized): the next paint sends it all.
    virtual void forget() = 0;
    // What takes the painter's pictures off the terminal for good, at the end.
    virtual std::string farewell() const { return {}; }
};

std::unique_ptr<PixelPainter> makeSixelPainter();
std::unique_ptr<PixelPainter> makeKittyPainter();
