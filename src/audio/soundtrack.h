// SPDX-License-Identifier: MIT
#pragma once

#include "content/regular_file.h"
#include "devices/audio_output.h"

inline constexpr int kOutputRateHz = 44100;

// What came of starting the soundtrack, for the player to report.
struct SoundtrackStart {
    bool output_open = false;
    FileProblem file;
    bool playing = false;
};

// Opens the output and starts the soundtrack playing in the background. No failure stops the
// player: without an output or a decodable file the animation simply plays silent.
SoundtrackStart startSoundtrack(AudioOutput& output);
// The same up to playing: the output opened and the soundtrack at `path` loaded, ready to play
// (`playing` then says it is loaded).
SoundtrackStart loadSoundtrack(AudioOutput& output, const char* path);
// Stops the soundtrack wherever it is, and frees it and the output.
void stopSoundtrack(AudioOutput& output);
