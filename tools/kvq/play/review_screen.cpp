// SPDX-License-Identifier: MIT
#include "kvq/play/review_screen.h"

#include <algorithm>

#include "render/packed_picture.h"

bool ReviewScreen::resize(WindowSize size)
{
    if (size == size_ && layout_.width > 0) return false;
    size_ = size;
    const ScreenLayout full = layoutFor(size.width, size.height);
    const int multiple = full.picture.width / kPictureWidth;
    scale_ = multiple > 1 && full.picture.width == multiple * kPictureWidth && size.width % multiple == 0 &&
                     size.height % multiple == 0
                 ? multiple
                 : 1;
    layout_ = scale_ == 1 ? full : layoutFor(size.width / scale_, size.height / scale_);
    scaler_.configure(kPictureWidth, kPictureHeight, layout_.picture.width, layout_.picture.height);
    scaled_.assign(static_cast<std::size_t>(layout_.picture.width) * static_cast<std::size_t>(layout_.picture.height),
                   0);
    pixels_.assign(static_cast<std::size_t>(layout_.width) * static_cast<std::size_t>(layout_.height), 0);
    if (!picture_.empty()) scaler_.scale(picture_, scaled_);
    return true;
}

void ReviewScreen::setPicture(std::span<const std::uint32_t> picture)
{
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
