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
    scaled_.assign(static_cast<std::size_t>(layout_.picture.width) * static_cast<std::size_t>(layout_.picture.height), 0);
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
    std::fill(pixels_.begin(), pixels_.end(), 0u);
    const ScreenRect& place = layout_.picture;
    const auto width = static_cast<std::size_t>(layout_.width);
    const auto row_length = static_cast<std::ptrdiff_t>(place.width);
    for (int y = 0; y < place.height && !scaled_.empty(); ++y) {
        const auto from = scaled_.begin() + static_cast<std::ptrdiff_t>(y) * row_length;
        std::copy(from, from + row_length,
                  pixels_.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(place.y + y) * width + static_cast<std::size_t>(place.x)));
    }
    drawOverlay(content, font, layout_, pixels_);
    return pixels_;
}
