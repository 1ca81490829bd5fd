// SPDX-License-Identifier: MIT
#include "platform/audio_device_choice.h"

#include <SDL.h>

std::optional<std::string> openChosenDevice(AudioDevice device, const std::function<bool(const char* name)>& open_named)
{
    switch (device) {
    case AudioDevice::system_default:
        if (open_named(nullptr)) return std::string();
        break;
    case AudioDevice::any_other:
        for (int i = 0, count = SDL_GetNumAudioDevices(0); i < count; ++i) {
            const char* name = SDL_GetAudioDeviceName(i, 0);
            if (name && open_named(name)) return std::string(name);
        }
        break;
    }
    return std::nullopt;
}
