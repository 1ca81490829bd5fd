// SPDX-License-Identifier: MIT
#pragma once

#include "devices/audio_output.h"

inline constexpr int kOutputRateHz = 44100;

// Opens the output and starts the soundtrack playing in the background. No failure is reported:
// without an output or a decodable file the animation simply plays silent.
void startSoundtrack(AudioOutput& output);
// Stops the soundtrack wherever it is, and frees it and the output.
void stopSoundtrack(AudioOutput& output);
