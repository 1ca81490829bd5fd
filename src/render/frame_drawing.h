// SPDX-License-Identifier: MIT
#pragma once

#include "content/glyph_table.h"
#include "content/text_frame.h"
#include "render/render_target.h"

// Overwrites all 640x480 pixels of the target with the frame drawn in the given glyphs, ink for
// set bits and paper for clear ones. A target with null pixels is left alone.
void drawFrame(const TextFrame& frame, const GlyphTable& glyphs, RenderTarget target);
