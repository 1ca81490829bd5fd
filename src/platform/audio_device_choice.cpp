// SPDX-License-Identifier: MIT
#include "platform/audio_device_choice.h"

#include <SDL.h>

#include "platform/quiet_stderr.h"

std::optional<std::string> openAudioDevice(SdlSubsystem& audio, AudioDevice device,
                                           const std::function<bool(const char* name)>& open_named)
{
    const QuietStderr quiet;
    if (!audio.started()) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return std::nullopt;
        audio = SdlSubsystem(SDL_INIT_AUDIO);
    }
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
