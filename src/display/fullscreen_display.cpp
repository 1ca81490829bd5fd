// SPDX-License-Identifier: MIT
#include "display/fullscreen_display.h"

#include "content/text_frame.h"

static_assert(kFrameWidth == TextFrame::kWidthPixels && kFrameHeight == TextFrame::kHeightPixels);

int openDisplay(Screen& screen) { return screen.open({kWindowTitle, kFrameWidth, kFrameHeight, kBitsPerPixel}); }
