// SPDX-License-Identifier: MIT
#pragma once

#include "devices/review_window.h"
#include "kvq/play/overlay.h"
#include "kvq/play/screen_layout.h"
#include "scene/cell_font.h"
#include "scene/cell_picture.h"

// Where the review shows its picture and reads its keys: a window of pixels, or a terminal that
// draws pixels or only characters. The review decides what is shown when; the surface how, and sends
// only what changed.
class ReviewSurface {
public:
    virtual ~ReviewSurface() = default;
    // Lays a picture of `width` x `height` pixels out on the device as it is now; false when that is
    // the layout already.
    virtual bool layOut(int picture_width, int picture_height) = 0;
    // The picture's pixel rows that show at once: all of them, or a view of them.
    virtual int viewHeight() const = 0;
    // Draws the view of `picture` whose first pixel row is `top`.
    virtual void drawPicture(const CellPicture& picture, const CellFont& font, int letter_spacing, bool blink_lit,
                             int top) = 0;
    // Shows the picture drawn last with `content` over it.
    virtual void present(const OverlayContent& content) = 0;
    // The seek bar, in the pointer's coordinates; empty where there is no pointer.
    virtual ScreenRect seekBar() const = 0;
    // The next event, waiting at most `timeout_ms` for one; false when none came.
    virtual bool waitEvent(ReviewEvent& event, int timeout_ms) = 0;
    virtual void setFullscreen(bool) {}
    virtual bool fullscreen() const { return false; }
};
