// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

#include "content/glyph_table.h"
#include "devices/review_window.h"
#include "kvq/play/review_screen.h"
#include "kvq/play/review_surface.h"
#include "kvq/play/view_drawing.h"

// The review in a window of pixels: the picture scaled into its place, the overlay drawn over it
// in `text_font`, and the whole handed to the window.
class WindowSurface : public ReviewSurface {
public:
    WindowSurface(ReviewWindow& window, const GlyphTable& text_font) : window_(window), text_font_(text_font) {}

    bool layOut(int picture_width, int picture_height) override;
    int viewHeight() const override { return screen_.viewHeight(); }
    void drawPicture(const CellPicture& picture, const CellFont& font, int letter_spacing, bool blink_lit,
                     int top) override;
    void present(const OverlayContent& content) override;
    ScreenRect seekBar() const override;
    bool waitEvent(ReviewEvent& event, int timeout_ms) override { return window_.waitEvent(event, timeout_ms); }
    void setFullscreen(bool on) override { window_.setFullscreen(on); }
    bool fullscreen() const override { return window_.fullscreen(); }

private:
    ReviewWindow& window_;
    const GlyphTable& text_font_;
    ReviewScreen screen_;
    ViewDrawing view_;
    std::vector<std::uint32_t> picture_;
};
