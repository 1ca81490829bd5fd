// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "devices/audio_output.h"
#include "platform/sdl_owners.h"

// Opens a playback device as `device` asks: the system's default, or the first of the others
// that `open_named` opens. SDL's audio is started first unless `audio` holds it already, and is
// then kept there for the output's life. Nothing reaches standard error meanwhile: without a
// sound card ALSA has its say on every attempt, and the player says it in one line. The name of
// the device opened ("" for the default), or nothing.
std::optional<std::string> openAudioDevice(SdlSubsystem& audio, AudioDevice device,
                                           const std::function<bool(const char* name)>& open_named);
