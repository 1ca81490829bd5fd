// SPDX-License-Identifier: MIT
#include "audio/soundtrack.h"

#include "platform/audio_output.h"

namespace {
constexpr const char* kSoundtrackFile = "quorva.mp3";
constexpr int kOutputRateHz = 44100;
constexpr std::uint32_t kNoFlags = 0;
}  // namespace

void startSoundtrack(WindowHandle window)
{
    if (audioInit(kDefaultAudioDevice, kOutputRateHz, kNoFlags, window) == 0) {
        audioInit(kAnyOtherAudioDevice, kOutputRateHz, kNoFlags, window);
    }
    audioStart();
    const AudioStream stream = audioStreamCreateFile(false, kSoundtrackFile, 0, 0, kNoFlags);
    audioStreamPlay(stream, true, kNoFlags);
}

void stopSoundtrack()
{
    audioStop();
    audioFree();
}
