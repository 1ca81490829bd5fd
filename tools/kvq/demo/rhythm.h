// SPDX-License-Identifier: MIT
#pragma once

#include <cmath>

// The soundtrack runs at 120 beats per minute: a beat is 12 frames at 24 frames per second, a bar
// of four beats 48 frames, and every scene lasts four bars, so scene changes land on a downbeat.
inline constexpr int kFramesPerBeat = 12;
inline constexpr int kFramesPerBar = 4 * kFramesPerBeat;
inline constexpr int kSceneFrames = 4 * kFramesPerBar;

// 1 on each beat, fading towards 0 before the next.
inline double beatPulse(int frame) { return std::exp(-static_cast<double>(frame % kFramesPerBeat) / 3.0); }
