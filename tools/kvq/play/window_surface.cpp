// SPDX-License-Identifier: MIT
#include "kvq/play/window_surface.h"

bool WindowSurface::layOut(int picture_width, int picture_height)
{
    const bool picture_changed = screen_.setPictureSize(picture_width, picture_height);
    const bool size_changed = screen_.resize(window_.size());
    return picture_changed || size_changed;
}

void WindowSurface::drawPicture(const CellPicture& picture, const CellFont& font, int letter_spacing, bool blink_lit,
                                int top)
{
    view_.draw(picture, font, letter_spacing, blink_lit, top, screen_.pictureWidth(), screen_.viewHeight(), picture_);
    screen_.setPicture(picture_);
}

void WindowSurface::present(const OverlayContent& content)
{
    const ScreenLayout& layout = screen_.layout();
    window_.show(screen_.compose(content, text_font_), layout.width, layout.height, screen_.scale());
}

ScreenRect WindowSurface::seekBar() const
{
    // Laid out in blocks of scale() window pixels; the pointer moves in window pixels.
    ScreenRect bar = screen_.layout().bar.area;
    const int k = screen_.scale();
    return {bar.x * k, bar.y * k, bar.width * k, bar.height * k};
}
