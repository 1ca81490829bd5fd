// SPDX-License-Identifier: MIT
#pragma once

#include "kvq/demo/text_canvas.h"

// Each scene draws its frame `frame` (from 0, one per 1/24 s) over the whole canvas. A scene is
// asked for frames past its own length while the next one wipes over it, so none may assume that
// it ends on time.
void drawTitleScene(TextCanvas& canvas, int frame);
void drawPlasmaScene(TextCanvas& canvas, int frame);
void drawTunnelScene(TextCanvas& canvas, int frame);
void drawWireframeScene(TextCanvas& canvas, int frame);
void drawScrollerScene(TextCanvas& canvas, int frame);
