// SPDX-License-Identifier: MIT
#include "audio/soundtrack.h"

#include "content/player_folder.h"

SoundtrackStart loadSoundtrack(AudioOutput& output, const char* path)
{
    SoundtrackStart start;
    // A second device is worth a try when the default one is busy or missing; after that the
    // run goes on silent.
    start.output_open =
        output.open(AudioDevice::system_default, kOutputRateHz) || output.open(AudioDevice::any_other, kOutputRateHz);
    // Looked at first, so that the decoder is never handed a FIFO it would wait on for ever.
    const bool usable = openRegularFile(path, start.file).file != nullptr;
    start.playing = start.output_open && usable && output.load(path);
    return start;
}

SoundtrackStart startSoundtrack(AudioOutput& output)
{
    const SoundtrackStart start = loadSoundtrack(output, kSoundtrackFileName);
    if (start.playing) output.play();
    return start;
}

void stopSoundtrack(AudioOutput& output)
{
    output.stop();
    output.close();
}
