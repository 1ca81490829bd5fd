// SPDX-License-Identifier: MIT
#include "kvq/play/review_screen.h"

#include <algorithm>

bool ReviewScreen::setPictureSize(int width, int height)
{
    width = std::max(1, width);
    height = std::max(1, height);
    if (width == picture_width_ && height == picture_height_) return false;
    picture_width_ = width;
    picture_height_ = height;
    picture_.clear();
    if (layout_.width > 0) layOut();
    return true;
}

bool ReviewScreen::resize(WindowSize size)
{
    if (size == size_ && layout_.width > 0) return false;
    size_ = size;
    layOut();
    return true;
}

void ReviewScreen::layOut()
{
    const int window_width = std::max(1, size_.width);
    const int window_height = std::max(1, size_.height);
    // A picture no taller than a 4:3 screen of its width is a screen, shown whole; a taller one is a
    // page to read, its width fitted to the window, and at that scale this many of its rows fill
    // the window's height.
    const bool tall = static_cast<long long>(picture_height_) * 4 > static_cast<long long>(picture_width_) * 3;
    const long long fitting_rows = static_cast<long long>(picture_width_) * window_height / window_width;
    view_height_ = tall ? static_cast<int>(std::clamp<long long>(fitting_rows, 1, picture_height_)) : picture_height_;
    const ScreenLayout full = layoutFor(window_width, window_height, picture_width_, view_height_);
    const int multiple = full.picture.width / picture_width_;
    scale_ = multiple > 1 && full.picture.width == multiple * picture_width_ && window_width % multiple == 0 &&
                     window_height % multiple == 0
                 ? multiple
                 : 1;
    layout_ =
        scale_ == 1 ? full : layoutFor(window_width / scale_, window_height / scale_, picture_width_, view_height_);
    scaler_.configure(picture_width_, view_height_, layout_.picture.width, layout_.picture.height);
    scaled_.assign(static_cast<std::size_t>(layout_.picture.width) * static_cast<std::size_t>(layout_.picture.height),
                   0);
    pixels_.assign(static_cast<std::size_t>(layout_.width) * static_cast<std::size_t>(layout_.height), 0);
    // A picture of another view height waits for the next one drawn at this size.
    if (picture_.size() == static_cast<std::size_t>(picture_width_) * static_cast<std::size_t>(view_height_)) {
        scaler_.scale(picture_, scaled_);
    } else {
        picture_.clear();
    }
}

void ReviewScreen::setPicture(std::span<const std::uint32_t> picture)
{
    if (picture.size() != static_cast<std::size_t>(picture_width_) * static_cast<std::size_t>(view_height_)) return;
    picture_.assign(picture.begin(), picture.end());
    scaler_.scale(picture_, scaled_);
}

std::span<const std::uint32_t> ReviewScreen::compose(const OverlayContent& content, const GlyphTable& font)
{
    // Each pixel written once: the bars black, the picture's rows copied between them.
    const ScreenRect& place = layout_.picture;
    const auto width = static_cast<std::ptrdiff_t>(layout_.width);
    const auto row_length = static_cast<std::ptrdiff_t>(place.width);
    const auto picture_top = pixels_.begin() + place.y * width;
    std::fill(pixels_.begin(), picture_top, 0u);
    for (int y = 0; y < place.height; ++y) {
        const auto row = picture_top + y * width;
        const auto from = scaled_.begin() + y * row_length;
        std::fill(row, row + place.x, 0u);
        std::copy(from, from + row_length, row + place.x);
        std::fill(row + place.x + row_length, row + width, 0u);
    }
    std::fill(picture_top + place.height * width, pixels_.end(), 0u);
    drawOverlay(content, font, layout_, pixels_);
    return pixels_;
}
