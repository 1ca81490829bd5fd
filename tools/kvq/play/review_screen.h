// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "content/glyph_table.h"
#include "devices/review_window.h"
#include "kvq/play/overlay.h"
#include "kvq/play/picture_scaler.h"
#include "kvq/play/screen_layout.h"

// The review window's pixels: the 640x480 picture scaled into its place between black bars, and
// the overlay drawn over them. The picture is scaled again only when it or the size changes.
// Where the picture is a whole multiple k of 640x480 and the window divides by k, all is laid out
// at 1/k of the window's size and the window draws each pixel as a k x k block: the same
// pixels, for a k-th of the work and of the upload.
class ReviewScreen {
public:
    // false when the size is the one already laid out.
    bool resize(WindowSize size);
    void setPicture(std::span<const std::uint32_t> picture);
    // The window's pixels with `content` laid over them, valid until the next call.
    std::span<const std::uint32_t> compose(const OverlayContent& content, const GlyphTable& font);
    // Laid out in pixels of `scale()` window pixels each.
    const ScreenLayout& layout() const { return layout_; }
    int scale() const { return scale_; }

private:
    WindowSize size_;
    int scale_ = 1;
    ScreenLayout layout_;
    PictureScaler scaler_;
    std::vector<std::uint32_t> picture_;  // the last picture given, to scale again on a resize
    std::vector<std::uint32_t> scaled_;
    std::vector<std::uint32_t> pixels_;
};
