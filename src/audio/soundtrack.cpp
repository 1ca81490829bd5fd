// SPDX-License-Identifier: MIT
#include "audio/soundtrack.h"

#include "content/player_files.h"

void startSoundtrack(AudioOutput& output)
{
    // A second device is worth a try when the default one is busy or missing; after that the
    // run goes on silent.
    if (!output.open(AudioDevice::system_default, kOutputRateHz)) output.open(AudioDevice::any_other, kOutputRateHz);
    if (output.load(kSoundtrackFileName)) output.play();
}

void stopSoundtrack(AudioOutput& output)
{
    output.stop();
    output.close();
}
