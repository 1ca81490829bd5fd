// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "devices/audio_output.h"

// Opens a playback device as `device` asks: the system's default, or the first of the others
// that `open_named` opens. The name of the device opened ("" for the default), or nothing.
std::optional<std::string> openChosenDevice(AudioDevice device, const std::function<bool(const char* name)>& open_named);
