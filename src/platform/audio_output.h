// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "platform/window_message.h"

// A stand-in for the audio library calls the player makes, over SDL2_mixer. The library decodes
// and plays a stream on threads of its own once started; nothing is called during playback.

using AudioStream = std::uintptr_t;  // 0: no stream

inline constexpr int kDefaultAudioDevice = -1;
// Second choice after the default output failed: the first playback device in SDL's list that opens.
inline constexpr int kAnyOtherAudioDevice = -2;

// Opens the output at the given rate, 16-bit stereo. Non-zero when the output is open.
int audioInit(int device, int frequency_hz, std::uint32_t flags, WindowHandle window);
// Resumes output; the mixer already runs once open, so this only undoes a pause.
int audioStart();
// The whole file as a stream, decoded as it plays; 0 when it cannot be opened or decoded.
AudioStream audioStreamCreateFile(bool from_memory, const char* file, std::uint64_t offset, std::uint64_t length,
                                  std::uint32_t flags);
// Plays the stream once in the background from its start; a 0 stream plays nothing.
int audioStreamPlay(AudioStream stream, bool restart, std::uint32_t flags);
int audioStop();
// Frees every stream and the output, and gives the device back.
int audioFree();
