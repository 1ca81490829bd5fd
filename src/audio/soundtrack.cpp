// SPDX-License-Identifier: MIT
#include "audio/soundtrack.h"

#include "content/player_files.h"

SoundtrackStart startSoundtrack(AudioOutput& output)
{
    SoundtrackStart start;
    // A second device is worth a try when the default one is busy or missing; after that the
    // run goes on silent.
    start.output_open = output.open(AudioDevice::system_default, kOutputRateHz) ||
                        output.open(AudioDevice::any_other, kOutputRateHz);
    // Looked at first, so that the decoder is never handed a FIFO it would wait on for ever.
    const bool usable = openRegularFile(kSoundtrackFileName, start.file).file != nullptr;
    if (start.output_open && usable && output.load(kSoundtrackFileName)) {
        output.play();
        start.playing = true;
    }
    return start;
}

void stopSoundtrack(AudioOutput& output)
{
    output.stop();
    output.close();
}
