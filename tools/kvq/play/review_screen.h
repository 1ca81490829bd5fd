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

// The review window's pixels: the picture scaled into its place between black bars, and the
// overlay drawn over them. The picture is scaled again only when it or the size changes.
//
// A picture is shown whole, as large as fits, unless it is taller than a 4:3 screen of its width
// and than the window at the scale that fits its width: then its width fills the window and a view
// of it as tall as the window shows, which the review scrolls. Where the picture is a whole multiple k of its size and the
// window divides by k, all is laid out at 1/k of the window's size and the window draws each
// pixel as a k x k block: the same pixels, for a k-th of the work and of the upload.
class ReviewScreen {
public:
    // The whole picture's size in pixels (640x480 until told); false when it is the one already set.
    bool setPictureSize(int width, int height);
    // false when the size is the one already laid out.
    bool resize(WindowSize size);
    // The rows of the picture that show at once: all of them, or a view as tall as the window.
    int viewHeight() const { return view_height_; }
    int pictureWidth() const { return picture_width_; }
    int pictureHeight() const { return picture_height_; }
    // `picture` holds pictureWidth() x viewHeight() pixels: the part shown.
    void setPicture(std::span<const std::uint32_t> picture);
    // The window's pixels with `content` laid over them, valid until the next call.
    std::span<const std::uint32_t> compose(const OverlayContent& content, const GlyphTable& font);
    // Laid out in pixels of `scale()` window pixels each.
    const ScreenLayout& layout() const { return layout_; }
    int scale() const { return scale_; }

private:
    void layOut();

    WindowSize size_;
    int picture_width_ = 640, picture_height_ = 480;
    int view_height_ = 480;
    int scale_ = 1;
    ScreenLayout layout_;
    PictureScaler scaler_;
    std::vector<std::uint32_t> picture_;  // the last picture given, to scale again on a resize
    std::vector<std::uint32_t> scaled_;
    std::vector<std::uint32_t> pixels_;
};
