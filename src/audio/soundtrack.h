// SPDX-License-Identifier: MIT
#pragma once

#include "platform/window_message.h"

// Opens the audio output and starts the soundtrack playing in the background. No failure is
// reported: without an output or a decodable file the animation simply plays silent.
void startSoundtrack(WindowHandle window);
// Stops the output wherever the soundtrack is, and frees the output and the stream.
void stopSoundtrack();
