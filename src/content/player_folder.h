// SPDX-License-Identifier: MIT
#pragma once

// The three files the player reads from its folder, by bare name.
inline constexpr const char* kFontFileName = "test";
inline constexpr const char* kFrameFileName = "quorva2.kvq";
inline constexpr const char* kSoundtrackFileName = "quorva.mp3";

// Nothing in the frame file says how fast it plays: every animation runs at this rate.
inline constexpr int kFramesPerSecond = 24;
