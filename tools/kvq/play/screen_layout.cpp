// SPDX-License-Identifier: MIT
#include "kvq/play/screen_layout.h"

#include <algorithm>

namespace {

constexpr int kGlyphWidth = 8;
constexpr int kGlyphHeight = 16;
// Text beside the picture needs at least this many characters a row, "0:00.0 / 0:00.0" and a
// margin, or the bar is too narrow to use.
constexpr int kLeastColumns = 18;

// The text's own scale grows with the picture, a step for every 640 pixels of its width.
constexpr int kTextStepWidth = 640;
int textScaleFor(const ScreenRect& picture) { return std::max(1, picture.width / kTextStepWidth); }

// Characters a row in `width` pixels at `scale`, a character's width kept free at each side.
int columnsIn(int width, int scale) { return std::max(0, width / (kGlyphWidth * scale) - 2); }

// The largest scale, from `scale` down to 1, at which a bar `width` wide takes kLeastColumns.
int sideScale(int width, int scale)
{
    while (scale > 1 && columnsIn(width, scale) < kLeastColumns) --scale;
    return columnsIn(width, scale) >= kLeastColumns ? scale : 0;
}

std::vector<std::string> wrap(std::string_view line, int columns)
{
    std::vector<std::string> rows;
    if (columns <= 0) return rows;
    std::size_t at = 0;
    while (at < line.size()) {
        std::size_t end = line.find("  ", at);
        if (end == std::string_view::npos) end = line.size();
        std::string part(line.substr(at, end - at));
        at = std::min(line.size(), end + 2);
        if (part.size() > static_cast<std::size_t>(columns)) part.resize(static_cast<std::size_t>(columns));
        if (!rows.empty() && rows.back().size() + 2 + part.size() <= static_cast<std::size_t>(columns)) {
            rows.back() += "  " + part;
        } else {
            rows.push_back(std::move(part));
        }
    }
    return rows;
}

}  // namespace

ScreenLayout layoutFor(int width, int height, int picture_width, int picture_height)
{
    ScreenLayout layout;
    layout.width = std::max(1, width);
    layout.height = std::max(1, height);
    const long long from_width = std::max(1, picture_width);
    const long long from_height = std::max(1, picture_height);
    ScreenRect& picture = layout.picture;
    if (layout.width * from_height >= layout.height * from_width) {
        picture.height = layout.height;
        picture.width = static_cast<int>(std::max(1LL, layout.height * from_width / from_height));
    } else {
        picture.width = layout.width;
        picture.height = static_cast<int>(std::max(1LL, layout.width * from_height / from_width));
    }
    picture.x = (layout.width - picture.width) / 2;
    picture.y = (layout.height - picture.height) / 2;

    const int scale = textScaleFor(picture);
    const int band = kGlyphHeight * scale;
    if (layout.height - picture.bottom() >= band) {
        layout.bar = {{0, picture.bottom(), layout.width, band}, scale, false};
    } else if (const int side = sideScale(picture.x, scale); side > 0) {
        layout.bar = {{0, picture.bottom() - kGlyphHeight * side, picture.x, kGlyphHeight * side}, side, false};
    } else {
        layout.bar = {{picture.x, picture.bottom() - band, picture.width, band}, scale, true};
    }
    return layout;
}

StatusPlace placeStatus(const ScreenLayout& layout, std::string_view line)
{
    const ScreenRect& picture = layout.picture;
    const int scale = textScaleFor(picture);
    StatusPlace place;
    place.text_scale = scale;
    place.rows = wrap(line, columnsIn(layout.width, scale));
    int height = static_cast<int>(place.rows.size()) * kGlyphHeight * scale;
    if (height <= picture.y) {
        place.area = {0, picture.y - height, layout.width, height};
        return place;
    }
    if (const int side = sideScale(picture.x, scale); side > 0) {
        std::vector<std::string> rows = wrap(line, columnsIn(picture.x, side));
        height = static_cast<int>(rows.size()) * kGlyphHeight * side;
        // Above the seek bar when that is beside the picture too.
        const int room = layout.bar.over_picture || layout.bar.area.y >= picture.bottom()
                             ? picture.height
                             : layout.bar.area.y - picture.y;
        if (height <= room) {
            place.rows = std::move(rows);
            place.text_scale = side;
            place.area = {0, picture.y, picture.x, height};
            return place;
        }
    }
    place.rows = wrap(line, columnsIn(picture.width, scale));
    place.area = {picture.x, picture.y, picture.width, static_cast<int>(place.rows.size()) * kGlyphHeight * scale};
    place.over_picture = true;
    return place;
}
