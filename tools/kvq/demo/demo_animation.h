// SPDX-License-Identifier: MIT
#pragma once

#include "content/text_frame.h"

// 40 seconds at 24 frames per second: five scenes of 192 frames, matching the soundtrack's
// 20 bars at 120 beats per minute.
inline constexpr int kDemoFrameCount = 960;

// Frame `index` (0 to kDemoFrameCount - 1) of the demo. A function of the index alone, so the
// demo is the same on every run and any frame can be drawn without the ones before it.
TextFrame demoFrame(int index);
