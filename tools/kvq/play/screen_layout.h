// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct ScreenRect {
    int x = 0, y = 0, width = 0, height = 0;
    int bottom() const { return y + height; }
    bool contains(double px, double py) const { return px >= x && px < x + width && py >= y && py < y + height; }
    bool operator==(const ScreenRect&) const = default;
};

// Where something of the overlay goes: its area, the whole multiple of 8x16 its text is drawn at
// (never less than 1, so it stays legible however small the window), and whether it covers part
// of the picture for want of room in the bars beside or above it.
struct OverlayPlace {
    ScreenRect area;
    int text_scale = 1;
    bool over_picture = false;
};

// The review window's parts at one window size: the largest picture of the picture's shape that
// fits (4:3 for the player's frames), centred between black bars, and where the seek bar goes, in
// the bar below the picture or the one beside it when there is room, over the picture's bottom rows
// when there is none.
struct ScreenLayout {
    int width = 0, height = 0;
    ScreenRect picture;
    OverlayPlace bar;
};

ScreenLayout layoutFor(int width, int height, int picture_width = 640, int picture_height = 480);

// The status line, its parts (separated by two spaces) wrapped into as many rows as its area
// needs: in the bar above the picture, else in the one beside it, else over the picture's top.
struct StatusPlace : OverlayPlace {
    std::vector<std::string> rows;
};

StatusPlace placeStatus(const ScreenLayout& layout, std::string_view line);
